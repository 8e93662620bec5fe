#include "platform/win32/Win32EscapeWatch.h"

#include <windows.h>

namespace typelane::win32 {
namespace {

// Posted to the hook's thread: it sets the event in LPARAM once it gets there.
constexpr UINT kMsgPing = WM_APP + 7;

}  // namespace

// The hook procedure has no context argument: the one watch of the process.
struct EscapeHook {
  static inline std::atomic<Win32EscapeWatch*> watch{nullptr};

  static LRESULT CALLBACK Proc(int code, WPARAM wparam, LPARAM lparam) {
    Win32EscapeWatch* w = watch.load();
    if (code == HC_ACTION && w) {
      const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
      if (key->dwExtraInfo == Win32EscapeWatch::kOwnKeyTag) {
        ++w->own_seen_;
      } else if (key->vkCode == VK_ESCAPE && (wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN)) {
        w->pressed_ = true;
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
};

std::unique_ptr<Win32EscapeWatch> Win32EscapeWatch::Start() {
  Win32EscapeWatch* expected = nullptr;
  std::unique_ptr<Win32EscapeWatch> watch(new Win32EscapeWatch());
  if (!EscapeHook::watch.compare_exchange_strong(expected, watch.get())) return nullptr;
  // 0 while starting, 1 installed, 2 failed.
  std::atomic<int> state{0};
  bool installed = false;
  watch->thread_ =
      std::thread([w = watch.get(), &installed, &state] { w->Run(&installed, &state); });
  while (state.load() == 0) Sleep(1);
  if (!installed) {
    watch->thread_.join();
    return nullptr;
  }
  return watch;
}

void Win32EscapeWatch::Run(bool* installed, std::atomic<int>* state) {
  thread_id_ = GetCurrentThreadId();
  // Every key of the desktop waits for this thread's hook, and a hook that
  // does not answer within LowLevelHooksTimeout is passed over (on Windows 7
  // and later removed for good after a few times): under a loaded machine the
  // thread must get the processor before the load's own threads. It does
  // nothing but count, so it cannot starve them.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  // Make the thread's message queue before anyone posts to it.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, &EscapeHook::Proc, GetModuleHandleW(nullptr), 0);
  *installed = hook != nullptr;
  state->store(hook ? 1 : 2);  // the starter's locals are not touched after this
  if (!hook) return;
  // The hook is called through this thread's message loop.
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kMsgPing) {
      SetEvent(reinterpret_cast<HANDLE>(msg.lParam));
      continue;
    }
    DispatchMessageW(&msg);
  }
  UnhookWindowsHookEx(hook);
}

void Win32EscapeWatch::Sync(int limit_ms) {
  HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!reached) return;
  // The thread takes one message at a time: when it reaches ours, the hook
  // calls before it have returned and their keys are queued.
  if (PostThreadMessageW(thread_id_, kMsgPing, 0, reinterpret_cast<LPARAM>(reached))) {
    WaitForSingleObject(reached, static_cast<DWORD>(limit_ms));
  }
  CloseHandle(reached);
}

Win32EscapeWatch::~Win32EscapeWatch() {
  if (thread_.joinable()) {
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  Win32EscapeWatch* self = this;
  EscapeHook::watch.compare_exchange_strong(self, nullptr);
}

}  // namespace typelane::win32
