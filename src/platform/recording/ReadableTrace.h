#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/recording/TraceSink.h"

namespace typelane {

// A recording's trace (the lines of a dry run) told as steps a person reads:
//
//   Activate window "Orders"
//   Wait 300 ms
//   Paste "Acme Ltd"  (100 ms)
//   Keys Tab  (50 ms)
//   Wait 200 ms
//   Keys Ctrl+S, Down  (200 ms)
//   Left click at 100, 200  (50 ms)
//   Bring back the window that was in front
//
// Keys go by name with their modifiers; keys pressed one after the other with
// no wait between them share a line. A paste is the clipboard text followed
// by Ctrl+V. Waits between steps are added up into one "Wait" line; the time
// a step itself takes (keys held down) follows it in brackets, so every
// figure shown adds up to TotalMs().
//
// A paste shows the text as the paste puts it on the clipboard, as characters
// (cell bytes that are not UTF-8 are read as Windows-1252); only a tab or a
// line break inside it is written \t, \r or \n, so a step stays one line.
class ReadableTrace : public TraceSink {
 public:
  // Keeps the steps for Steps().
  ReadableTrace() = default;
  // Hands each step to out as soon as it is known and keeps none, so a dry
  // run of any length runs in the same memory; Finish() ends the last one.
  explicit ReadableTrace(TraceSink& out) : out_(&out) {}

  void Line(std::string_view line) override;

  // The steps so far, with whatever is pending finished.
  const std::vector<std::string>& Steps();
  // Whatever is pending becomes its step.
  void Finish() { FlushPending(); }
  // Every wait of the trace added up.
  std::int64_t TotalMs() const { return total_ms_; }

  // A key's name as the steps write it: "Tab", "A", "F5", "Ctrl".
  static std::string KeyName(std::uint8_t virtual_key);

 private:
  void Emit(std::string step, std::int64_t ms = 0);
  void FlushWait();
  void FlushKeys();
  void FlushPending();
  bool InsideChord() const { return !down_.empty() || !buttons_down_.empty(); }
  std::string Chord(std::uint8_t key) const;

  TraceSink* out_ = nullptr;
  std::vector<std::string> steps_;
  std::int64_t total_ms_ = 0;
  // Waits while nothing is held: the next "Wait" line.
  std::int64_t free_wait_ms_ = 0;
  // Keys and modifiers down, in the order they went down.
  std::vector<std::uint8_t> down_;
  // Modifiers down with no other key pressed since (a chord of their own).
  std::vector<std::uint8_t> unused_;
  // The current run of chords and the time held inside them.
  std::vector<std::string> run_;
  std::int64_t run_ms_ = 0;
  // A clipboard text waiting for its Ctrl+V.
  std::optional<std::string> clip_;
  // The pointer's last move, waiting for a button.
  std::optional<std::string> move_;
  std::optional<std::string> button_where_;
  std::vector<std::string> buttons_down_;
  std::int64_t button_ms_ = 0;
};

}  // namespace typelane
