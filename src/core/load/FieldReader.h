#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/load/Platform.h"

namespace typelane {

// The window a load types into, as a field reader finds it: the handle the
// load activated and the title the window has now (not the beginning of it
// the user may have typed).
struct FieldTarget {
  WindowHandle window = 0;
  std::string title;
};

// What the focused field of the target holds.
struct FieldText {
  std::string text;  // UTF-8
  // The caret as a byte offset into text; -1 when the field does not say.
  int caret = -1;
  // A field of several lines (a text view, a memo): a paste goes in at the
  // caret, among what the field held before.
  bool multi_line = false;
};

// Reads the focused field of the target back after a paste, through the
// desktop's accessibility interface (AT-SPI on Linux, MSAA on Windows). A load
// that verifies its pastes asks it; nothing else of the load depends on it.
// Calls may come from the load's thread and from the user interface's, never
// at the same time.
class FieldReader {
 public:
  virtual ~FieldReader() = default;

  // Whether the target's fields can be read at all: its program shows itself
  // to the accessibility interface. False for a toolkit that does not (Tk),
  // a program that exposes nothing, or no accessibility interface running.
  virtual bool CanRead(const FieldTarget& target) = 0;

  // The text of the field of the target's program that has the keyboard
  // focus now; nothing when no readable text field has it.
  virtual std::optional<FieldText> ReadFocusedField(const FieldTarget& target) = 0;
};

// Whether the field holds the pasted value (cell bytes: UTF-8, or
// Windows-1252 when they are not valid UTF-8) where the paste put it: its
// whole text is the value, or, in a field of several lines, the value ends
// at the caret. Line breaks compare as line breaks, CR LF or LF alike.
bool FieldHolds(const FieldText& field, std::string_view value);

}  // namespace typelane
