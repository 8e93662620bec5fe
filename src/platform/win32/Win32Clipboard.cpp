#include "platform/win32/Win32Clipboard.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <future>

#include "core/common/Errors.h"
#include "core/common/Text.h"
#include "platform/win32/Win32Text.h"

namespace typelane::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"TypelaneClipboardOwner";
constexpr UINT kMsgSetText = WM_APP + 1;
constexpr UINT kMsgRenderAll = WM_APP + 2;
// Another program may hold the clipboard open for a moment (a clipboard
// viewer reading it): try for this long before giving up.
constexpr int kOpenTriesMs = 1000;

struct SetTextRequest {
  std::wstring wide;
  std::string ansi;
  bool ok = false;
};

}  // namespace

struct Win32Clipboard::Impl {
  HWND hwnd = nullptr;
  std::thread thread;

  std::mutex mutex;
  std::condition_variable changed;
  std::wstring wide;  // the text set last, as CF_UNICODETEXT gives it
  std::string ansi;   // and as CF_TEXT gives it
  bool has_text = false;
  int renders = 0;
  bool taken_by_target = false;

  // Waits for the clipboard while still answering the messages other programs
  // send us meanwhile: the program holding it open may be waiting for us to
  // render the previous text.
  bool OpenPatiently() {
    const ULONGLONG until = GetTickCount64() + kOpenTriesMs;
    for (;;) {
      if (OpenClipboard(hwnd)) return true;
      if (GetTickCount64() >= until) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }

  static bool Put(UINT format, const void* data, size_t bytes) {
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!global) return false;
    void* p = GlobalLock(global);
    if (!p) {
      GlobalFree(global);
      return false;
    }
    std::memcpy(p, data, bytes);
    GlobalUnlock(global);
    if (!SetClipboardData(format, global)) {
      GlobalFree(global);
      return false;
    }
    return true;
  }

  // Called with the clipboard open, by the requester or by us.
  bool Render(UINT format) {
    std::wstring w;
    std::string a;
    {
      std::lock_guard lock(mutex);
      if (!has_text) return false;
      w = wide;
      a = ansi;
    }
    if (format == CF_UNICODETEXT) return Put(format, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
    if (format == CF_TEXT) return Put(format, a.c_str(), a.size() + 1);
    return false;
  }

  void OnRenderFormat(UINT format) {
    // The window that has the clipboard open is the one asking. It counts as
    // the target's paste when it belongs to the program in front.
    DWORD requester = 0, front = 0;
    if (HWND asking = GetOpenClipboardWindow()) GetWindowThreadProcessId(asking, &requester);
    if (HWND fg = GetForegroundWindow()) GetWindowThreadProcessId(fg, &front);
    const bool rendered = Render(format);
    std::lock_guard lock(mutex);
    if (rendered) {
      ++renders;
      if (requester != 0 && requester == front) taken_by_target = true;
    }
    changed.notify_all();
  }

  void OnRenderAll() {
    if (!OpenPatiently()) return;
    if (GetClipboardOwner() == hwnd) {
      Render(CF_UNICODETEXT);
      Render(CF_TEXT);
    }
    CloseClipboard();
  }

  void OnSetText(SetTextRequest* request) {
    request->ok = false;
    if (!OpenPatiently()) return;
    if (EmptyClipboard()) {
      {
        std::lock_guard lock(mutex);
        wide = std::move(request->wide);
        ansi = std::move(request->ansi);
        has_text = true;
        renders = 0;
        taken_by_target = false;
      }
      // Nothing is handed over yet: whoever pastes asks us for it.
      SetClipboardData(CF_UNICODETEXT, nullptr);
      SetClipboardData(CF_TEXT, nullptr);
      request->ok = true;
    }
    CloseClipboard();
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
    if (self) {
      switch (msg) {
        case WM_RENDERFORMAT:
          self->OnRenderFormat(static_cast<UINT>(wparam));
          return 0;
        case WM_RENDERALLFORMATS:
        case kMsgRenderAll:
          self->OnRenderAll();
          return 0;
        case kMsgSetText:
          self->OnSetText(reinterpret_cast<SetTextRequest*>(lparam));
          return 0;
        case WM_DESTROY:
          PostQuitMessage(0);
          return 0;
        default:
          break;
      }
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  void Run(std::promise<bool>* started) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Impl::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // fails harmlessly when a second clipboard registers it again
    hwnd = CreateWindowExW(0, kWindowClass, L"Typelane clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, wc.hInstance, this);
    started->set_value(hwnd != nullptr);
    if (!hwnd) return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
};

Win32Clipboard::Win32Clipboard(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<Win32Clipboard> Win32Clipboard::Open(std::string* error) {
  auto impl = std::make_unique<Impl>();
  auto started = std::make_shared<std::promise<bool>>();
  auto ready = started->get_future();
  Impl* raw = impl.get();
  impl->thread = std::thread([raw, started] { raw->Run(started.get()); });
  if (!ready.get()) {
    impl->thread.join();
    if (error) *error = "The clipboard window could not be created.";
    return nullptr;
  }
  return std::unique_ptr<Win32Clipboard>(new Win32Clipboard(std::move(impl)));
}

Win32Clipboard::~Win32Clipboard() {
  if (impl_->hwnd) PostMessageW(impl_->hwnd, WM_CLOSE, 0, 0);
  if (impl_->thread.joinable()) impl_->thread.join();
}

void Win32Clipboard::SetText(std::string_view bytes) {
  SetTextRequest request;
  request.wide = WideFromBytes(bytes);
  // CF_TEXT is in the ANSI code page: UTF-8 is converted to it, and any other
  // bytes are handed over exactly as the sheet holds them.
  request.ansi = IsValidUtf8(bytes) ? AnsiFromWide(request.wide) : std::string(bytes);
  SendMessageW(impl_->hwnd, kMsgSetText, 0, reinterpret_cast<LPARAM>(&request));
  if (!request.ok) throw PlatformError("Cannot open clipboard");
}

bool Win32Clipboard::WaitForPaste(std::chrono::steady_clock::time_point paste_key, int settle_ms,
                                  int limit_ms) {
  using Clock = std::chrono::steady_clock;
  // A fetch by a program that is not in front (a clipboard viewer, a target
  // that pastes through a helper process) counts only once the target had its
  // time to fetch the text itself.
  const auto settle = paste_key + std::chrono::milliseconds(settle_ms);
  const auto limit = Clock::now() + std::chrono::milliseconds(limit_ms);
  std::unique_lock lock(impl_->mutex);
  for (;;) {
    if (impl_->taken_by_target) return true;
    const auto now = Clock::now();
    if (impl_->renders > 0 && now >= settle) return true;
    if (now >= limit) return false;
    impl_->changed.wait_until(lock, impl_->renders > 0 ? std::min(settle, limit) : limit);
  }
}

int Win32Clipboard::RenderCount() {
  std::lock_guard lock(impl_->mutex);
  return impl_->renders;
}

void Win32Clipboard::RenderAllNow(int limit_ms) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(impl_->hwnd, kMsgRenderAll, 0, 0, SMTO_ABORTIFHUNG,
                      static_cast<UINT>(limit_ms), &ignored);
}

}  // namespace typelane::win32
