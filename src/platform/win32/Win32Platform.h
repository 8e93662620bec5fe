#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

// windows.h, where it came first, maps VkKeyScan to VkKeyScanA; here the name
// is the Platform method.
#ifdef VkKeyScan
#undef VkKeyScan
#endif

#include "core/load/Platform.h"

namespace typelane::win32 {

class Win32Clipboard;
class Win32EscapeWatch;

// The load's view of a Windows desktop, through the user32 calls the program
// has always made: the Z-order walk from GetDesktopWindow, GetWindowTextA into a
// 100-byte buffer, IsWindowVisible, ShowWindow / SetForegroundWindow,
// keybd_event with MapVirtualKeyA scan codes, VkKeyScanA, SetCursorPos and
// mouse_event, the hourglass through AttachThreadInput and GetCursor. Beyond
// them: the clipboard by delayed rendering (a paste always lands before the next
// key), Esc seen by a low-level keyboard hook (the load's own keys never stop
// it), keys that reach their window before the front changes, and whatever is
// still held let go of when the platform goes. A window is known by its handle
// together with the thread and process that owned it when it was activated, so
// a handle Windows gives to another program's window later never passes for
// the target.
class Win32Platform final : public Platform {
 public:
  // nullptr and a message in *error when the clipboard window cannot be made.
  static std::unique_ptr<Win32Platform> Open(std::string* error);
  // Lets go of whatever the load still holds down.
  ~Win32Platform() override;

  std::vector<WindowInfo> ListWindows() override;
  // A sheet's title in UTF-8 is also tried in the ANSI code page the window
  // titles come in.
  WindowHandle FindWindowByTitle(std::string_view title) override;
  bool ActivateWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override;
  void SetForegroundWindow(WindowHandle window) override;
  bool IsHourglassShowing() override;
  // The target's own thread shows the wait cursor, Windows counts it hung, or
  // it does not answer a WM_NULL within answer_ms (at least 50 ms).
  bool IsTargetBusy(WindowHandle target, std::int64_t answer_ms) override;
  // The window in front belongs to the target's program.
  bool FocusIsWith(WindowHandle target) override;
  std::int16_t VkKeyScan(char c) override;
  void KeyEvent(std::uint8_t virtual_key, bool key_up) override;
  void SetCursorPos(int x, int y) override;
  std::optional<ScreenPoint> GetCursorPos() override;
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override;
  void BeginEscapeWatch() override;
  bool EscapePressed() override;
  // GetAsyncKeyState of Ctrl, Shift and Alt. It cannot tell the user's keys
  // from injected ones, but the load asks only between two cells, when it
  // holds none itself.
  unsigned HeldModifiers() override;
  void SetClipboardText(std::string_view text) override;
  bool WaitForPaste(std::int64_t wait_ms) override;
  void Sleep(std::int64_t ms) override;
  std::int64_t NowMs() override;
  bool WindowExists(WindowHandle window) override;
  // Key-ups of the lock-free copy of what is held: no lock, no allocation,
  // only keybd_event and mouse_event (each one system call).
  void ReleaseHeldInputFromSignal() noexcept override;

  // Sends the key-up or button-up of everything the load pressed and has not
  // let go yet.
  void ReleaseHeldInput();
  // Whether Esc is watched by the keyboard hook (otherwise by polling).
  bool WatchesEscapeByHook() const { return escape_watch_ != nullptr; }
  Win32Clipboard& Clipboard() { return *clipboard_; }

 private:
  Win32Platform();
  // The thread and process that owned a window when it was activated.
  struct Owner {
    unsigned long thread = 0;
    unsigned long process = 0;
  };

  bool BringForward(WindowHandle window, int limit_ms);
  void WaitForKeysToArrive();
  void ReleaseHeldLocked();
  bool AnswersWithin(WindowHandle window, std::int64_t answer_ms);
  std::optional<Owner> NotedOwner(WindowHandle window);

  std::unique_ptr<Win32Clipboard> clipboard_;
  std::unique_ptr<Win32EscapeWatch> escape_watch_;

  std::mutex input_mutex_;  // one key or button event at a time
  std::set<std::uint8_t> held_keys_;
  std::set<int> held_buttons_;  // MouseButton values
  std::int64_t keys_sent_ = 0;
  std::int64_t own_seen_base_ = 0;                       // keys of ours the hook had seen before us
  std::chrono::steady_clock::time_point last_key_down_;  // the paste key, after Ctrl+V
  short escape_reference_ = 0;

  // What a crash handler lets go of: per virtual key 0x100 | its scan code
  // while the load holds it, and the two buttons.
  std::array<std::atomic<std::uint16_t>, 256> signal_keys_{};
  std::array<std::atomic<bool>, 2> signal_buttons_{};
  static_assert(std::atomic<std::uint16_t>::is_always_lock_free);

  std::mutex owners_mutex_;
  std::map<WindowHandle, Owner> owners_;  // noted by ActivateWindow
};

// The backend the programs use on Windows: nullptr and a message when it cannot
// start.
std::unique_ptr<Platform> CreateWin32Platform(std::string* error);

}  // namespace typelane::win32
