#include "platform/win32/Win32Platform.h"

#include <windows.h>
// Included after our header: VkKeyScan is the Platform method here too.
#undef VkKeyScan

#include <algorithm>
#include <atomic>

#include "core/common/Text.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32EscapeWatch.h"
#include "platform/win32/Win32Text.h"

namespace typelane::win32 {
namespace {

constexpr int kActivateTimeoutMs = 2000;
constexpr int kRestoreTimeoutMs = 500;
// How long the keys sent may still be on their way through the keyboard hook.
constexpr int kKeysArriveTimeoutMs = 2000;
// After Ctrl+V: a fetch by a program other than the one in front counts this
// long after the paste key.
constexpr int kPasteSettleMs = 300;
// Waits that may end on Esc or a stop look again this often.
constexpr int kPollMs = 5;
// A target gets at least this long to answer, so a busy check with no delay
// set does not take every program for a hung one.
constexpr std::int64_t kMinAnswerMs = 50;
constexpr ULONG_PTR kOwnKeyTag = Win32EscapeWatch::kOwnKeyTag;

// Keys Windows reports with the extended-key flag. Sent without it, the arrows
// and the keys above them arrive as the number pad's keys and right Alt as
// left Alt.
bool IsExtendedKey(std::uint8_t vk) {
  switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_RMENU:
    case VK_RCONTROL:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
      return true;
    default:
      return false;
  }
}

bool IsModifier(std::uint8_t vk) {
  return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_RMENU || vk == VK_LSHIFT ||
         vk == VK_RSHIFT || vk == VK_LCONTROL || vk == VK_RCONTROL || vk == VK_LMENU;
}

DWORD ButtonFlag(int button, bool up) {
  if (button == static_cast<int>(MouseButton::kRight)) {
    return up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
  }
  return up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
}

HWND AsHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }

DWORD ProcessOf(HWND w) {
  DWORD process = 0;
  if (w) GetWindowThreadProcessId(w, &process);
  return process;
}

// Whether that thread's input state shows the plain wait cursor: joined only
// for the moment of one GetCursor call.
bool ShowsWaitCursor(DWORD that_thread) {
  const DWORD this_thread = GetCurrentThreadId();
  HCURSOR cursor = nullptr;
  if (that_thread == this_thread) {
    cursor = GetCursor();
  } else if (that_thread != 0 && AttachThreadInput(this_thread, that_thread, TRUE)) {
    cursor = GetCursor();
    AttachThreadInput(this_thread, that_thread, FALSE);
  }
  return cursor != nullptr && cursor == LoadCursorA(nullptr, IDC_WAIT);
}

// The WM_NULL a thread has sent to ask a window whether it answers. Only one
// is out per window at a time: a target that stays busy for a minute is asked
// once, not once per check. The answer comes back as a callback on the thread
// that asked, when it looks at its sent messages.
struct AnswerQuestion {
  HWND window = nullptr;
  DWORD thread = 0;            // the window's, so a handle given to a new window is asked anew
  std::uint64_t asked = 0;     // the question out, by number
  std::uint64_t answered = 0;  // the highest number answered
  std::uint64_t next = 0;
};
thread_local AnswerQuestion t_question;

void CALLBACK OnAnswer(HWND, UINT, ULONG_PTR number, LRESULT) {
  if (number > t_question.answered) t_question.answered = number;
}

}  // namespace

Win32Platform::Win32Platform() = default;

std::unique_ptr<Win32Platform> Win32Platform::Open(std::string* error) {
  std::unique_ptr<Win32Platform> platform(new Win32Platform());
  platform->clipboard_ = Win32Clipboard::Open(error);
  if (!platform->clipboard_) return nullptr;
  platform->escape_watch_ = Win32EscapeWatch::Start();
  if (platform->escape_watch_) platform->own_seen_base_ = platform->escape_watch_->OwnKeysSeen();
  return platform;
}

Win32Platform::~Win32Platform() { ReleaseHeldInput(); }

std::vector<WindowInfo> Win32Platform::ListWindows() {
  std::vector<WindowInfo> windows;
  const DWORD own_process = GetCurrentProcessId();
  HWND desktop = GetDesktopWindow();
  HWND w = GetWindow(desktop, GW_CHILD);
  if (w) w = GetWindow(w, GW_HWNDFIRST);
  // The front-most window is listed too (a script may well start a load with
  // its target in front), and the walk ends at the 0 handle without taking it
  // for an untitled window.
  while (w && w != desktop) {
    char buffer[100] = {};
    const int n = GetWindowTextA(w, buffer, 99);
    WindowInfo info;
    info.handle = reinterpret_cast<WindowHandle>(w);
    info.title.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    info.visible = IsWindowVisible(w) != FALSE;
    info.own = ProcessOf(w) == own_process;
    windows.push_back(std::move(info));
    w = GetWindow(w, GW_HWNDNEXT);
  }
  return windows;
}

WindowHandle Win32Platform::FindWindowByTitle(std::string_view title) {
  const auto windows = ListWindows();
  if (WindowHandle found = MatchWindowTitle(windows, title)) return found;
  // Titles come in the ANSI code page; a sheet written in UTF-8 names them in
  // UTF-8. Convert when every character has a place in the code page.
  bool ascii = true;
  for (char c : title) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii || !IsValidUtf8(title)) return 0;
  const std::wstring wide = WideFromUtf8(title);
  const std::string ansi = AnsiFromWide(wide);
  if (WideFromAnsi(ansi) != wide) return 0;
  return MatchWindowTitle(windows, ansi);
}

bool Win32Platform::BringForward(WindowHandle window, int limit_ms) {
  HWND target = AsHwnd(window);
  if (!IsWindow(target)) return false;
  if (::GetForegroundWindow() != target) WaitForKeysToArrive();
  const DWORD target_process = ProcessOf(target);
  ::SetForegroundWindow(target);
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(limit_ms);
  bool retried = false;
  // Activation completes in the target's own time: wait until the window (or
  // a window of its program, such as the dialog it has open) is in front, so
  // no key goes to the window that was there before.
  for (;;) {
    HWND front = ::GetForegroundWindow();
    if (front == target || (front && ProcessOf(front) == target_process)) return true;
    if (GetTickCount64() >= until) return false;
    if (!retried) {
      // Windows refuses the foreground to a program that has not had the last
      // input; joining the input of the window in front lifts that.
      retried = true;
      const DWORD front_thread = front ? GetWindowThreadProcessId(front, nullptr) : 0;
      const DWORD me = GetCurrentThreadId();
      if (front_thread && front_thread != me && AttachThreadInput(me, front_thread, TRUE)) {
        ::SetForegroundWindow(target);
        BringWindowToTop(target);
        AttachThreadInput(me, front_thread, FALSE);
      }
    }
    ::Sleep(10);
  }
}

bool Win32Platform::ActivateWindow(WindowHandle window) {
  HWND w = AsHwnd(window);
  if (!IsWindow(w)) return false;
  // Restored only when minimised: a maximised target keeps its size, so the
  // screen positions of its fields (and of recorded clicks) stay where they were.
  if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
  Owner owner;
  owner.thread = GetWindowThreadProcessId(w, &owner.process);
  {
    std::lock_guard lock(owners_mutex_);
    owners_[window] = owner;
  }
  return BringForward(window, kActivateTimeoutMs);
}

std::optional<Win32Platform::Owner> Win32Platform::NotedOwner(WindowHandle window) {
  std::lock_guard lock(owners_mutex_);
  auto it = owners_.find(window);
  if (it == owners_.end()) return std::nullopt;
  return it->second;
}

void Win32Platform::WaitForKeysToArrive() {
  // With a low-level keyboard hook in place, Windows passes every key to the
  // hook's thread before it queues the key for the window in front, and it is
  // the window in front at that later moment that gets it. So before the front
  // changes (the end of a load, a *CW), wait until the hook has seen every key
  // we sent: otherwise the last keys of a load land in the window the user had
  // in front before.
  if (!escape_watch_) return;
  std::int64_t sent = 0;
  {
    std::lock_guard lock(input_mutex_);
    sent = keys_sent_;
  }
  const ULONGLONG until = GetTickCount64() + kKeysArriveTimeoutMs;
  while (escape_watch_->OwnKeysSeen() - own_seen_base_ < sent && GetTickCount64() < until) {
    ::Sleep(1);
  }
  escape_watch_->Sync(kKeysArriveTimeoutMs);
}

WindowHandle Win32Platform::GetForegroundWindow() {
  return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
}

void Win32Platform::SetForegroundWindow(WindowHandle window) {
  if (window != 0) BringForward(window, kRestoreTimeoutMs);
}

bool Win32Platform::IsHourglassShowing() {
  return ShowsWaitCursor(GetWindowThreadProcessId(::GetForegroundWindow(), nullptr));
}

bool Win32Platform::IsTargetBusy(WindowHandle target, std::int64_t answer_ms) {
  HWND w = AsHwnd(target);
  if (w == nullptr) return IsHourglassShowing();
  // A window that is gone is not busy: the existence check ends the load.
  if (!IsWindow(w)) return false;
  // The target's own thread, wherever the pointer is and whichever window is
  // in front (the user may have clicked elsewhere while the target works).
  if (ShowsWaitCursor(GetWindowThreadProcessId(w, nullptr))) return true;
  // Windows' own rule: no messages taken for five seconds.
  if (IsHungAppWindow(w)) return true;
  return !AnswersWithin(target, answer_ms);
}

bool Win32Platform::AnswersWithin(WindowHandle window, std::int64_t answer_ms) {
  HWND w = AsHwnd(window);
  AnswerQuestion& q = t_question;
  const DWORD thread = GetWindowThreadProcessId(w, nullptr);
  if (q.window != w || q.thread != thread || q.answered >= q.asked) {
    q.window = w;
    q.thread = thread;
    q.asked = ++q.next;
    // Sent to a window of this thread, the window procedure and the callback
    // run at once.
    if (!SendMessageCallbackW(w, WM_NULL, 0, 0, &OnAnswer, static_cast<ULONG_PTR>(q.asked))) {
      q.answered = q.asked;  // nothing is out
      return IsWindow(w) == FALSE;
    }
  }
  const ULONGLONG until =
      GetTickCount64() + static_cast<ULONGLONG>(std::max(answer_ms, kMinAnswerMs));
  for (;;) {
    // Runs the answer's callback (only sent messages: nothing posted to this
    // thread is taken from it).
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (q.answered >= q.asked || !IsWindow(w)) return true;
    // Not known to answer: the caller holds, and looks at Esc and the stop.
    if (StopRequested() || EscapePressed()) return false;
    if (GetTickCount64() >= until) return false;
    ::Sleep(kPollMs);
  }
}

bool Win32Platform::FocusIsWith(WindowHandle target) {
  HWND front = ::GetForegroundWindow();
  if (front == nullptr) return false;
  const auto owner = NotedOwner(target);
  const DWORD process = owner ? owner->process : ProcessOf(AsHwnd(target));
  return process != 0 && ProcessOf(front) == process;
}

std::int16_t Win32Platform::VkKeyScan(char c) { return static_cast<std::int16_t>(VkKeyScanA(c)); }

void Win32Platform::KeyEvent(std::uint8_t virtual_key, bool key_up) {
  std::lock_guard lock(input_mutex_);
  // Once the program is stopping only releases go out.
  if (!key_up && StopRequested()) return;
  DWORD flags = key_up ? KEYEVENTF_KEYUP : 0;
  if (IsExtendedKey(virtual_key)) flags |= KEYEVENTF_EXTENDEDKEY;
  const auto scan = static_cast<BYTE>(MapVirtualKeyA(virtual_key, 0));
  // Noted before the key goes down, so a crash right after it still lets go.
  if (!key_up) signal_keys_[virtual_key] = static_cast<std::uint16_t>(0x100 | scan);
  keybd_event(virtual_key, scan, flags, kOwnKeyTag);
  ++keys_sent_;
  if (key_up) {
    held_keys_.erase(virtual_key);
    signal_keys_[virtual_key] = 0;
  } else {
    held_keys_.insert(virtual_key);
    last_key_down_ = std::chrono::steady_clock::now();
  }
}

void Win32Platform::SetCursorPos(int x, int y) { ::SetCursorPos(x, y); }

std::optional<ScreenPoint> Win32Platform::GetCursorPos() {
  POINT p;
  if (!::GetCursorPos(&p)) return std::nullopt;
  return ScreenPoint{p.x, p.y};
}

void Win32Platform::MouseButtonEvent(MouseButton button, bool up, int x, int y) {
  std::lock_guard lock(input_mutex_);
  if (!up && StopRequested()) return;
  const int b = static_cast<int>(button);
  if (!up) signal_buttons_[b == static_cast<int>(MouseButton::kRight)] = true;
  mouse_event(ButtonFlag(b, up), static_cast<DWORD>(x), static_cast<DWORD>(y), 0,
              static_cast<ULONG_PTR>(GetMessageExtraInfo()));
  if (up) {
    held_buttons_.erase(b);
    signal_buttons_[b == static_cast<int>(MouseButton::kRight)] = false;
  } else {
    held_buttons_.insert(b);
  }
}

void Win32Platform::BeginEscapeWatch() {
  escape_reference_ = GetAsyncKeyState(VK_ESCAPE);
  if (escape_watch_) escape_watch_->Reset();
}

unsigned Win32Platform::HeldModifiers() {
  unsigned held = 0;
  const struct {
    int key, left, right;
    unsigned bit;
  } modifiers[] = {{VK_CONTROL, VK_LCONTROL, VK_RCONTROL, kCtrlHeld},
                   {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, kShiftHeld},
                   {VK_MENU, VK_LMENU, VK_RMENU, kAltHeld}};
  std::lock_guard lock(input_mutex_);
  for (const auto& m : modifiers) {
    // The high bit: the key is down now. One the load holds is its own.
    if ((GetAsyncKeyState(m.key) & 0x8000) == 0) continue;
    if (held_keys_.count(static_cast<std::uint8_t>(m.key)) ||
        held_keys_.count(static_cast<std::uint8_t>(m.left)) ||
        held_keys_.count(static_cast<std::uint8_t>(m.right))) {
      continue;
    }
    held |= m.bit;
  }
  return held;
}

bool Win32Platform::EscapePressed() {
  if (escape_watch_) return escape_watch_->Pressed();
  // Without the hook: Esc held down now, and not by the load itself.
  const short state = GetAsyncKeyState(VK_ESCAPE);
  std::lock_guard lock(input_mutex_);
  return (state & 0x8000) != 0 && (escape_reference_ & 0x8000) == 0 &&
         held_keys_.count(VK_ESCAPE) == 0;
}

void Win32Platform::SetClipboardText(std::string_view text) { clipboard_->SetText(text); }

bool Win32Platform::WaitForPaste(std::int64_t wait_ms) {
  std::chrono::steady_clock::time_point paste_key;
  {
    std::lock_guard lock(input_mutex_);
    paste_key = last_key_down_;
  }
  // In short slices, so Esc or a stop request ends the wait at once.
  const ULONGLONG until =
      GetTickCount64() + static_cast<ULONGLONG>(std::max<std::int64_t>(wait_ms, 0));
  for (;;) {
    if (StopRequested() || EscapePressed()) return false;
    const ULONGLONG now = GetTickCount64();
    const int slice = static_cast<int>(std::min<ULONGLONG>(until > now ? until - now : 0, 20));
    if (clipboard_->WaitForPaste(paste_key, kPasteSettleMs, slice)) return true;
    if (GetTickCount64() >= until) return false;
  }
}

void Win32Platform::Sleep(std::int64_t ms) {
  if (ms <= 0) return;
  // In short steps, so a stop request (Ctrl+C, the program quitting) ends the
  // wait within a few milliseconds instead of after a long pause.
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (!StopRequested()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    ::Sleep(static_cast<DWORD>(end - now < 10 ? end - now : 10));
  }
}

bool Win32Platform::WindowExists(WindowHandle window) {
  // A hidden window is gone for the user as much as a destroyed one; a
  // minimised one is still there (IsWindowVisible is true for it).
  HWND w = AsHwnd(window);
  if (w == nullptr || !IsWindow(w) || !IsWindowVisible(w)) return false;
  // Windows hands a freed handle out again, and takes a handle without its
  // upper half for any window in that slot: the window there now must belong
  // to the thread and process that had it when it was activated.
  const auto owner = NotedOwner(window);
  if (!owner) return true;
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(w, &process);
  return thread == owner->thread && process == owner->process;
}

std::int64_t Win32Platform::NowMs() { return static_cast<std::int64_t>(GetTickCount64()); }

void Win32Platform::ReleaseHeldLocked() {
  // Other keys first, the modifiers last, so nothing still held turns into a
  // shortcut on the way.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = held_keys_.begin(); it != held_keys_.end();) {
      const std::uint8_t vk = *it;
      if (IsModifier(vk) != (pass == 1)) {
        ++it;
        continue;
      }
      DWORD flags = KEYEVENTF_KEYUP | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
      keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), flags, kOwnKeyTag);
      ++keys_sent_;
      signal_keys_[vk] = 0;
      it = held_keys_.erase(it);
    }
  }
  POINT p{};
  ::GetCursorPos(&p);
  for (int b : held_buttons_) {
    mouse_event(ButtonFlag(b, true), static_cast<DWORD>(p.x), static_cast<DWORD>(p.y), 0,
                static_cast<ULONG_PTR>(GetMessageExtraInfo()));
  }
  held_buttons_.clear();
  for (auto& b : signal_buttons_) b = false;
}

void Win32Platform::ReleaseHeldInputFromSignal() noexcept {
  // Other keys first, the modifiers last, as ReleaseHeldLocked does. The
  // exchange makes each release go out once, should two handlers run.
  for (int pass = 0; pass < 2; ++pass) {
    for (int vk = 0; vk < 256; ++vk) {
      if (IsModifier(static_cast<std::uint8_t>(vk)) != (pass == 1)) continue;
      const std::uint16_t held = signal_keys_[vk].exchange(0);
      if (held == 0) continue;
      DWORD flags = KEYEVENTF_KEYUP;
      if (IsExtendedKey(static_cast<std::uint8_t>(vk))) flags |= KEYEVENTF_EXTENDEDKEY;
      keybd_event(static_cast<BYTE>(vk), static_cast<BYTE>(held & 0xFF), flags, kOwnKeyTag);
    }
  }
  // No position: the buttons go up where the pointer is.
  if (signal_buttons_[0].exchange(false)) mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  if (signal_buttons_[1].exchange(false)) mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
}

void Win32Platform::ReleaseHeldInput() {
  std::lock_guard lock(input_mutex_);
  ReleaseHeldLocked();
}

std::unique_ptr<Platform> CreateWin32Platform(std::string* error) {
  return Win32Platform::Open(error);
}

}  // namespace typelane::win32
