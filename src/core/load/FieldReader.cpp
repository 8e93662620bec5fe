#include "core/load/FieldReader.h"

#include "core/common/TextEncoding.h"

namespace typelane {
namespace {

// Line breaks as one LF each: a target keeps the breaks of a pasted text in
// its own way (a text view turns CR LF into LF).
std::string OneBreakStyle(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

bool FieldHolds(const FieldText& field, std::string_view value) {
  // The clipboard hands the target the cell's characters, so the field is
  // compared with them, not with the cell's bytes.
  const std::string sent = OneBreakStyle(DecodeText(value));
  if (OneBreakStyle(field.text) == sent) return true;
  if (!field.multi_line || field.caret < 0 ||
      static_cast<size_t>(field.caret) > field.text.size()) {
    return false;
  }
  const std::string before_caret =
      OneBreakStyle(std::string_view(field.text).substr(0, static_cast<size_t>(field.caret)));
  return before_caret.size() >= sent.size() &&
         before_caret.compare(before_caret.size() - sent.size(), sent.size(), sent) == 0;
}

}  // namespace typelane
