#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/load/Platform.h"

namespace typelane {

// What a load talks to: the desktop, through a layer that keeps count of the
// keys and mouse buttons the load holds down and of the window it last
// activated. ReleaseHeldInput lets go of everything still down; every way a
// load ends (done, Esc, an error, a stop request) runs it, and so does the
// destructor. Once a stop is requested (on this layer or on the desktop
// underneath) nothing new goes out: key and button presses, pointer moves,
// clipboard texts and activations are dropped and waits end at once, while
// releases of what is held still go through.
//
// Everything else is handed to the desktop unchanged, in the same order.
class GuardedPlatform final : public Platform {
 public:
  explicit GuardedPlatform(Platform& desktop) : Platform(desktop), desktop_(desktop) {}
  ~GuardedPlatform() override;
  GuardedPlatform(const GuardedPlatform&) = delete;
  GuardedPlatform& operator=(const GuardedPlatform&) = delete;

  // Key ups for every key still down, the last pressed first, then button ups.
  void ReleaseHeldInput() noexcept;
  bool HoldsInput() const { return !held_keys_.empty() || !held_buttons_.empty(); }

  // Whether something that was to go out (a press, a click, a clipboard text,
  // an activation) was dropped for a stop request since the last
  // ClearDropped: a cell that lost nothing went out whole.
  bool DroppedInput() const { return dropped_; }
  void ClearDropped() { dropped_ = false; }

  // The window the load last activated through this layer (0 when none) and
  // the title it was found by.
  WindowHandle ActiveTarget() const { return target_; }
  const std::string& ActiveTargetTitle() const { return target_title_; }

  // ---- Platform ----
  std::vector<WindowInfo> ListWindows() override { return desktop_.ListWindows(); }
  WindowHandle FindWindowByTitle(std::string_view title) override;
  bool ActivateWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override { return desktop_.GetForegroundWindow(); }
  void SetForegroundWindow(WindowHandle window) override;
  bool IsHourglassShowing() override { return desktop_.IsHourglassShowing(); }
  bool IsTargetBusy(WindowHandle target, std::int64_t answer_ms) override {
    return desktop_.IsTargetBusy(target, answer_ms);
  }
  bool FocusIsWith(WindowHandle target) override { return desktop_.FocusIsWith(target); }
  std::int16_t VkKeyScan(char c) override { return desktop_.VkKeyScan(c); }
  void KeyEvent(std::uint8_t virtual_key, bool key_up) override;
  void SetCursorPos(int x, int y) override;
  std::optional<ScreenPoint> GetCursorPos() override { return desktop_.GetCursorPos(); }
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override;
  void BeginEscapeWatch() override { desktop_.BeginEscapeWatch(); }
  bool EscapePressed() override { return desktop_.EscapePressed(); }
  unsigned HeldModifiers() override { return desktop_.HeldModifiers(); }
  void SetClipboardText(std::string_view text) override;
  bool WaitForPaste(std::int64_t wait_ms) override;
  void Sleep(std::int64_t ms) override;
  void SleepUnlessEscape(std::int64_t ms) override;
  std::int64_t NowMs() override { return desktop_.NowMs(); }
  bool WindowExists(WindowHandle window) override { return desktop_.WindowExists(window); }
  bool CanWatchEscape() const override { return desktop_.CanWatchEscape(); }
  void ReleaseHeldInputFromSignal() noexcept override { desktop_.ReleaseHeldInputFromSignal(); }

 private:
  struct HeldButton {
    MouseButton button;
    int x;
    int y;
  };

  // True (and noted) when a stop request drops what was to go out.
  bool Dropped() {
    if (!StopRequested()) return false;
    dropped_ = true;
    return true;
  }

  Platform& desktop_;
  bool dropped_ = false;
  std::vector<std::uint8_t> held_keys_;  // in the order they went down
  std::vector<HeldButton> held_buttons_;
  WindowHandle target_ = 0;
  std::string target_title_;
  WindowHandle found_ = 0;
  std::string found_title_;
};

}  // namespace typelane
