#pragma once

#include <string>

#include "core/load/Platform.h"

namespace typelane {

// The desktop of a session Typelane cannot drive (no X display, or one it
// could not open). Nothing is listed, nothing is typed: a load fails at once
// with "Typelane cannot drive this desktop: <reason>" instead of pretending
// to have sent anything.
class NoDesktopPlatform : public Platform {
 public:
  explicit NoDesktopPlatform(std::string reason);

  // "Typelane cannot drive this desktop: " and the reason.
  const std::string& Message() const { return message_; }

  std::vector<WindowInfo> ListWindows() override { return {}; }
  WindowHandle FindWindowByTitle(std::string_view title) override;
  bool ActivateWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override { return 0; }
  void SetForegroundWindow(WindowHandle /*window*/) override {}
  bool IsHourglassShowing() override { return false; }
  std::int16_t VkKeyScan(char /*c*/) override { return -1; }
  void KeyEvent(std::uint8_t virtual_key, bool key_up) override;
  void SetCursorPos(int x, int y) override;
  std::optional<ScreenPoint> GetCursorPos() override { return std::nullopt; }
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override;
  void BeginEscapeWatch() override;
  bool EscapePressed() override { return false; }
  void SetClipboardText(std::string_view text) override;
  void Sleep(std::int64_t ms) override;
  std::int64_t NowMs() override;
  bool WindowExists(WindowHandle /*window*/) override { return false; }

 private:
  [[noreturn]] void Refuse() const;

  std::string message_;
};

}  // namespace typelane
