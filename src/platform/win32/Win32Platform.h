#pragma once

#include <cstdint>
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
// still held let go of when the platform goes.
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

  // Sends the key-up or button-up of everything the load pressed and has not
  // let go yet.
  void ReleaseHeldInput();
  // Whether Esc is watched by the keyboard hook (otherwise by polling).
  bool WatchesEscapeByHook() const { return escape_watch_ != nullptr; }
  Win32Clipboard& Clipboard() { return *clipboard_; }

 private:
  Win32Platform();
  bool BringForward(WindowHandle window, int limit_ms);
  void WaitForKeysToArrive();
  void ReleaseHeldLocked();

  std::unique_ptr<Win32Clipboard> clipboard_;
  std::unique_ptr<Win32EscapeWatch> escape_watch_;

  std::mutex input_mutex_;  // one key or button event at a time
  std::set<std::uint8_t> held_keys_;
  std::set<int> held_buttons_;  // MouseButton values
  std::int64_t keys_sent_ = 0;
  std::int64_t injected_base_ = 0;  // injected keys the hook had seen before us
  short escape_reference_ = 0;
};

// The backend the programs use on Windows: nullptr and a message when it cannot
// start.
std::unique_ptr<Platform> CreateWin32Platform(std::string* error);

}  // namespace typelane::win32
