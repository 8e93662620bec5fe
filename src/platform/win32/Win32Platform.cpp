#include "platform/win32/Win32Platform.h"

#include <windows.h>
// Included after our header: VkKeyScan is the Platform method here too.
#undef VkKeyScan

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
// After Ctrl+V: wait for the program in front to fetch the text; a fetch by
// anyone else counts after this long; never wait longer than the limit.
constexpr int kPasteSettleMs = 300;

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

}  // namespace

Win32Platform::Win32Platform() = default;

std::unique_ptr<Win32Platform> Win32Platform::Open(std::string* error) {
  std::unique_ptr<Win32Platform> platform(new Win32Platform());
  platform->clipboard_ = Win32Clipboard::Open(error);
  if (!platform->clipboard_) return nullptr;
  platform->escape_watch_ = Win32EscapeWatch::Start();
  if (platform->escape_watch_)
    platform->injected_base_ = platform->escape_watch_->InjectedKeysSeen();
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
  return BringForward(window, kActivateTimeoutMs);
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
  while (escape_watch_->InjectedKeysSeen() - injected_base_ < sent && GetTickCount64() < until) {
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
  HWND front = ::GetForegroundWindow();
  const DWORD that_thread = GetWindowThreadProcessId(front, nullptr);
  const DWORD this_thread = GetCurrentThreadId();
  HCURSOR cursor = nullptr;
  if (that_thread == this_thread) {
    cursor = GetCursor();
  } else if (that_thread != 0 && AttachThreadInput(this_thread, that_thread, TRUE)) {
    // Joined only for the moment of one GetCursor call.
    cursor = GetCursor();
    AttachThreadInput(this_thread, that_thread, FALSE);
  }
  return cursor != nullptr && cursor == LoadCursorA(nullptr, IDC_WAIT);
}

std::int16_t Win32Platform::VkKeyScan(char c) { return static_cast<std::int16_t>(VkKeyScanA(c)); }

void Win32Platform::KeyEvent(std::uint8_t virtual_key, bool key_up) {
  std::lock_guard lock(input_mutex_);
  // Once the program is stopping only releases go out.
  if (!key_up && StopRequested()) return;
  DWORD flags = key_up ? KEYEVENTF_KEYUP : 0;
  if (IsExtendedKey(virtual_key)) flags |= KEYEVENTF_EXTENDEDKEY;
  keybd_event(virtual_key, static_cast<BYTE>(MapVirtualKeyA(virtual_key, 0)), flags, 0);
  ++keys_sent_;
  if (key_up) {
    held_keys_.erase(virtual_key);
  } else {
    held_keys_.insert(virtual_key);
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
  mouse_event(ButtonFlag(b, up), static_cast<DWORD>(x), static_cast<DWORD>(y), 0,
              static_cast<ULONG_PTR>(GetMessageExtraInfo()));
  if (up) {
    held_buttons_.erase(b);
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
  return clipboard_->WaitForPaste(kPasteSettleMs, static_cast<int>(wait_ms));
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
  return w != nullptr && IsWindow(w) && IsWindowVisible(w);
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
      keybd_event(vk, static_cast<BYTE>(MapVirtualKeyA(vk, 0)), flags, 0);
      ++keys_sent_;
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
}

void Win32Platform::ReleaseHeldInput() {
  std::lock_guard lock(input_mutex_);
  ReleaseHeldLocked();
}

std::unique_ptr<Platform> CreateWin32Platform(std::string* error) {
  return Win32Platform::Open(error);
}

}  // namespace typelane::win32
