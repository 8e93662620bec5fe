#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/load/FieldReader.h"

namespace typelane {

class RecordingPlatform;

// A target's focused field as the tests script it, over a recording desktop:
// the field shows the text last put on that desktop's clipboard, as the
// target keeps it (by default unchanged), once the paste has shown (by
// default at the first read after it).
class RecordingFieldReader : public FieldReader {
 public:
  explicit RecordingFieldReader(RecordingPlatform& desktop) : desktop_(desktop) {}

  // ---- scripting ----
  // False: the target does not show itself to the accessibility interface.
  void SetReadable(bool readable) { readable_ = readable; }
  // What the target's field makes of a pasted text (a field of five
  // characters keeps the first five).
  void SetFieldRule(std::function<std::string(std::string_view pasted)> rule) {
    rule_ = std::move(rule);
  }
  // A paste shows only at the nth read after it (from 1); the reads before
  // show what the field held before the paste.
  void ShowPasteAtRead(int n) { show_at_read_ = n; }
  // No text field has the focus: every read finds none.
  void SetNoTextField(bool none) { no_text_field_ = none; }

  // ---- what happened ----
  int Reads() const { return reads_; }
  // The targets CanRead was asked about, in order.
  const std::vector<FieldTarget>& Asked() const { return asked_; }

  // ---- FieldReader ----
  bool CanRead(const FieldTarget& target) override;
  std::optional<FieldText> ReadFocusedField(const FieldTarget& target) override;

 private:
  RecordingPlatform& desktop_;
  bool readable_ = true;
  bool no_text_field_ = false;
  std::function<std::string(std::string_view)> rule_;
  int show_at_read_ = 1;
  int reads_ = 0;
  std::vector<FieldTarget> asked_;
  // The clipboard text the field last showed, and the reads since it changed.
  std::string seen_clip_;
  std::string shown_;
  int reads_since_paste_ = 0;
};

}  // namespace typelane
