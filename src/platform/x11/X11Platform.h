#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/load/Platform.h"

namespace typelane {

// The load's view of an X11 desktop: XTest for keys and buttons, EWMH for the
// window list and activation (XQueryTree and XSetInputFocus when no window
// manager runs), XFixes for the busy cursor, XInput2 raw key events for Esc, and
// a clipboard owned from a thread of its own.
class X11Platform final : public Platform {
 public:
  // nullptr and a message in *error when there is no usable X display.
  static std::unique_ptr<X11Platform> Open(std::string* error);
  ~X11Platform() override;

  std::vector<WindowInfo> ListWindows() override;
  // Titles on X are UTF-8: a title the sheet holds in Windows-1252 is compared
  // in UTF-8.
  WindowHandle FindWindowByTitle(std::string_view title) override;
  bool ActivateWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override;
  void SetForegroundWindow(WindowHandle window) override;
  bool IsHourglassShowing() override;
  // The busy cursor while the pointer is over the target, or no answer to a
  // ping (_NET_WM_PING, only to a program that lists the protocol) within
  // answer_ms. Cut short by Esc or a stop request, it answers busy: nothing
  // should go out before the caller has looked at why it ended.
  bool IsTargetBusy(WindowHandle target, std::int64_t answer_ms) override;
  // The focused window belongs to the target's X client, or its top-level
  // carries the target's _NET_WM_PID (a program with several connections).
  bool FocusIsWith(WindowHandle target) override;
  std::int16_t VkKeyScan(char c) override;
  void KeyEvent(std::uint8_t virtual_key, bool key_up) override;
  void SetCursorPos(int x, int y) override;
  std::optional<ScreenPoint> GetCursorPos() override;
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override;
  void BeginEscapeWatch() override;
  bool EscapePressed() override;
  // Ctrl, Shift and Alt down on the keyboards a person types on; the XTEST
  // keyboard, where the keys of a load go down, is not asked.
  unsigned HeldModifiers() override;
  void SetClipboardText(std::string_view text) override;
  bool OfferClipboard(const ClipboardOffer& offer) override;
  std::optional<ClipboardOffer> CurrentClipboardOffer() override;
  bool WaitForPaste(std::int64_t wait_ms) override;
  // Ends early when a stop is requested.
  void Sleep(std::int64_t ms) override;
  // Ends early at Esc or a stop request, as soon as the keyboard watch sees it.
  void SleepUnlessEscape(std::int64_t ms) override;
  std::int64_t NowMs() override;
  // False once the window is destroyed or its program has withdrawn it.
  bool WindowExists(WindowHandle window) override;
  // Whether raw key events can be watched (XInput 2.1 or later).
  bool CanWatchEscape() const override;
  // Sends a release for every key and button KeyEvent and MouseButtonEvent
  // left down, over a connection kept for nothing else, with write(2) only.
  void ReleaseHeldInputFromSignal() noexcept override;

  // True while a window manager (EWMH) runs on the display.
  bool HasWindowManager();
  // The keycode a virtual key is sent as; 0 when the keyboard has none.
  unsigned KeycodeForVirtualKey(std::uint8_t virtual_key);

 private:
  struct Impl;
  explicit X11Platform(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Makes Xlib safe for the several threads that use it (XInitThreads). It must
// come before any other Xlib call of the process: a program with a GUI calls it
// first thing in main, before the GUI toolkit opens its own connection. Open
// calls it too, which is enough for a program without one.
void InitX11Threads();

// The backend the programs use on Linux: nullptr and a message when there is no
// display (DISPLAY unset or the server unreachable).
std::unique_ptr<Platform> CreateX11Platform(std::string* error);

}  // namespace typelane
