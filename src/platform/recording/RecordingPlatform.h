#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/load/Platform.h"
#include "platform/recording/BlockTraceSink.h"
#include "platform/recording/TraceSink.h"

namespace typelane {

// A desktop that only writes down what is done to it: deterministic, with a
// virtual clock (Sleep moves NowMs on, nothing really waits) and a US-English
// keyboard layout exactly as Windows' VkKeyScanA reports it. Used by the unit
// tests and by dry runs of the command line.
//
// Every call that acts on the desktop adds one line to the trace:
//   activate TITLE        a window was activated (TITLE: its title)
//   foreground            SetForegroundWindow
//   down XX / up XX       key event, virtual key as two upper-case hex digits
//   wait N                every sleep, 0 ms included
//   clip TEXT             clipboard text, TAB CR LF "\" written \t \r \n \\.
//   move X Y              SetCursorPos
//   button left|right down|up
// Queries (window list, foreground window, hourglass, Esc, held modifiers, layout, clock) leave
// no line.
//
// The trace is kept in memory for the tests to read (Trace()), or handed line by
// line to a TraceSink and not kept, so a dry run of any length runs in the same
// memory (StreamTraceSink writes it to a stream, buffered).
//
// By default every title is "found": FindWindowByTitle hands out one handle per
// distinct title. UseWindowList switches to a scripted window list matched by
// the program's own title rules.
class RecordingPlatform : public Platform {
 public:
  // The handle GetForegroundWindow reports before anything was activated.
  static constexpr WindowHandle kInitialForeground = 1;

  RecordingPlatform();

  // ---- scripting ----
  // Matches titles against this list (in Z order) instead of finding all.
  void UseWindowList(std::vector<WindowInfo> windows);
  // The answers of the coming IsHourglassShowing() calls, in order; once used
  // up the target is never busy.
  void SetHourglassSequence(std::vector<bool> busy);
  // The answers of the coming HeldModifiers() calls (ModifierBits), in order;
  // once used up the user holds nothing.
  void SetHeldModifierSequence(std::vector<unsigned> held);
  // Esc counts as pressed from the nth EscapePressed() call on (from 1).
  void PressEscAtCheck(int n);
  // Esc counts as pressed once the virtual clock reaches ms; a wait that
  // Esc ends (SleepUnlessEscape) is traced with the time it really waited.
  void PressEscAtMs(std::int64_t ms) { escape_at_ms_ = ms; }
  // The answers of the coming FocusIsWith() calls, in order; once used up the
  // target has the focus.
  void SetFocusSequence(std::vector<bool> with_target) {
    focus_.assign(with_target.begin(), with_target.end());
  }
  // The answers of the coming WaitForPaste() calls, in order; once used up
  // every paste is taken. A paste not taken costs the call's whole wait.
  void SetPasteSequence(std::vector<bool> taken) { paste_.assign(taken.begin(), taken.end()); }
  // The window is gone once the virtual clock reaches ms.
  void CloseWindowAtMs(WindowHandle window, std::int64_t ms) { closing_[window] = ms; }
  // The nth SetClipboardText call (from 1) and every later one fail with a
  // PlatformError; 0 turns failures off.
  void FailClipboardFrom(int n);
  // Hands every trace line to sink instead of keeping it; null keeps the lines
  // again. The sink must outlive the calls that trace.
  void SetTraceSink(TraceSink* sink) {
    sink_ = sink;
    // A dry run's block sink is written to without a virtual call per line.
    block_sink_ = dynamic_cast<BlockTraceSink*>(sink);
  }
  // Adds a "paste" line for every WaitForPaste call (off by default).
  void TracePasteWaits(bool on) { trace_paste_waits_ = on; }

  // ---- what happened ----
  // The lines kept while no sink is set.
  const std::vector<std::string>& Trace() const { return trace_; }
  void ClearTrace() { trace_.clear(); }
  const std::string& ClipboardText() const { return clipboard_; }
  int EscapeChecks() const { return escape_checks_; }
  int ModifierChecks() const { return modifier_checks_; }
  int HourglassChecks() const { return hourglass_checks_; }
  // Total of all waits so far.
  std::int64_t SleptMs() const { return now_ms_; }

  // Writes text the way a clip line does.
  static std::string EscapeForTrace(std::string_view text);
  static void AppendEscaped(std::string& out, std::string_view text);
  // VkKeyScanA of the US-English layout.
  static std::int16_t UsVkKeyScan(char c);

  // ---- Platform ----
  std::vector<WindowInfo> ListWindows() override;
  WindowHandle FindWindowByTitle(std::string_view title) override;
  bool ActivateWindow(WindowHandle window) override;
  WindowHandle GetForegroundWindow() override { return foreground_; }
  void SetForegroundWindow(WindowHandle window) override;
  bool IsHourglassShowing() override;
  std::int16_t VkKeyScan(char c) override { return UsVkKeyScan(c); }
  void KeyEvent(std::uint8_t virtual_key, bool key_up) override;
  void SetCursorPos(int x, int y) override;
  std::optional<ScreenPoint> GetCursorPos() override { return cursor_; }
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override;
  void BeginEscapeWatch() override {}
  bool EscapePressed() override;
  unsigned HeldModifiers() override;
  void SetClipboardText(std::string_view text) override;
  bool WaitForPaste(std::int64_t wait_ms) override;
  void Sleep(std::int64_t ms) override;
  void SleepUnlessEscape(std::int64_t ms) override;
  bool FocusIsWith(WindowHandle target) override;
  std::int64_t NowMs() override { return now_ms_; }
  // A window of the scripted list, or a handle handed out for a title.
  bool WindowExists(WindowHandle window) override;

 private:
  void Record(std::string_view line) {
    if (block_sink_ != nullptr) {
      block_sink_->Line(line);
    } else if (sink_ != nullptr) {
      sink_->Line(line);
    } else {
      trace_.emplace_back(line);
    }
  }
  std::string TitleOf(WindowHandle window) const;

  std::vector<std::string> trace_;
  TraceSink* sink_ = nullptr;
  BlockTraceSink* block_sink_ = nullptr;
  std::string line_ = "clip ";  // the clip line, its buffer reused
  struct WaitLine {
    std::int64_t ms = 0;
    std::size_t size = 0;  // 0: none kept yet
    std::array<char, 32> text{};
  };
  std::array<WaitLine, 8> wait_lines_{};
  std::size_t next_wait_line_ = 0;
  bool trace_paste_waits_ = false;

  bool scripted_windows_ = false;
  std::vector<WindowInfo> windows_;
  // Handed-out handles by title, when every title is found.
  std::map<std::string, WindowHandle> handles_;
  WindowHandle next_handle_ = 100;
  WindowHandle foreground_ = kInitialForeground;

  std::deque<bool> hourglass_;
  int hourglass_checks_ = 0;
  std::deque<unsigned> held_modifiers_;
  int modifier_checks_ = 0;
  int escape_at_ = 0;
  std::int64_t escape_at_ms_ = -1;
  std::deque<bool> focus_;
  std::deque<bool> paste_;
  std::map<WindowHandle, std::int64_t> closing_;
  int escape_checks_ = 0;
  int clipboard_fail_from_ = 0;
  int clipboard_calls_ = 0;
  std::string clipboard_;
  ScreenPoint cursor_;
  std::int64_t now_ms_ = 0;
};

}  // namespace typelane
