#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/load/Platform.h"

namespace typelane {

// The load's view of a Wayland desktop run by a wlroots compositor (sway and
// its kin): the window list and activation from zwlr_foreign_toplevel_manager_v1,
// keys through one zwp_virtual_keyboard_v1 with one fixed keymap, clicks through
// one zwlr_virtual_pointer_v1, and the clipboard through
// zwlr_data_control_manager_v1, whose source sees the target read the paste.
// Under KDE Plasma the windows come from org_kde_plasma_window_management and
// keys and clicks go through org_kde_kwin_fake_input (kwin offers both to the
// programs its desktop files allow). Its own connection, served by a thread
// of its own.
//
// What Wayland keeps from other programs is not faked: Esc cannot be watched
// (the compositor gives keys to the focused window only), the real keyboard's
// held keys cannot be read, and there is no busy cursor to look at.
class WaylandPlatform final : public Platform {
 public:
  enum class Failure { kNone, kNoCompositor, kNoProtocols, kBroken };
  // nullptr, a message in *error and the kind of failure when the compositor
  // cannot be reached or does not offer what a load needs.
  static std::unique_ptr<WaylandPlatform> Open(std::string* error, Failure* failure = nullptr);
  ~WaylandPlatform() override;

  std::vector<WindowInfo> ListWindows() override;
  // Titles are UTF-8: a title the sheet holds in Windows-1252 is compared in
  // UTF-8.
  WindowHandle FindWindowByTitle(std::string_view title) override;
  // Asks the compositor to activate the window and waits (at most 2 s) until
  // it reports the window activated.
  bool ActivateWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override;
  void SetForegroundWindow(WindowHandle window) override;
  bool IsHourglassShowing() override { return false; }
  // The activated window is the target, a window the target names as its
  // parent, or another window of the target's program (the same app id).
  bool FocusIsWith(WindowHandle target) override;
  std::int16_t VkKeyScan(char c) override;
  void KeyEvent(std::uint8_t virtual_key, bool key_up) override;
  // In the compositor's layout coordinates (all outputs together).
  void SetCursorPos(int x, int y) override;
  // Where the load last put the pointer: Wayland does not tell a client where
  // the pointer is.
  std::optional<ScreenPoint> GetCursorPos() override;
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override;
  // Makes the virtual keyboard and pointer (once), so the first key of a load
  // finds them settled.
  void BeginEscapeWatch() override;
  bool EscapePressed() override { return false; }
  bool CanWatchEscape() const override { return false; }
  void SetClipboardText(std::string_view text) override;
  // True once the data-control source was asked for the text after the paste
  // key went down.
  bool WaitForPaste(std::int64_t wait_ms) override;
  void Sleep(std::int64_t ms) override;
  std::int64_t NowMs() override;
  // False once the compositor said the window closed (a handle is never used
  // for another window), or the connection is gone.
  bool WindowExists(WindowHandle window) override;
  // Writes key and button releases for what the load holds down straight to
  // the compositor's socket, with write(2) only.
  void ReleaseHeldInputFromSignal() noexcept override;

  // The app ids whose windows are this program's own (never a target).
  void SetOwnAppIds(std::vector<std::string> app_ids);
  // How many characters the keymap carries on spare keycodes.
  int SpareKeycodes() const;
  // "Wayland (wlroots)" or "Wayland (KDE Plasma)": whose protocols it uses.
  std::string DesktopName() const;

 private:
  struct Impl;
  explicit WaylandPlatform(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// What the programs say where the compositor offers no window list to other
// programs (GNOME's mutter), with the ways around it.
extern const char* const kWaylandNoWindowsText;
// What the programs say before a load under Wayland: Esc cannot stop it.
extern const char* const kWaylandEscapeText;

// The backend the programs use under Wayland: nullptr and a message when the
// compositor cannot be reached or lacks the protocols (*lacks_protocols is
// then true, and the message is kWaylandNoWindowsText).
std::unique_ptr<Platform> CreateWaylandPlatform(std::string* error, bool* lacks_protocols);

}  // namespace typelane
