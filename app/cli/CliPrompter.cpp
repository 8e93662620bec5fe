#include "CliPrompter.h"

#include <ostream>

namespace typelane::cli {

std::string MessageLines(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Answer CliPrompter::Message(std::string_view title, std::string_view text, Buttons buttons) {
  if (title == kTitleError) ++errors_shown;
  out_ << title << ": " << MessageLines(text) << std::endl;
  switch (buttons) {
    case Buttons::kOk:
      return Answer::kOk;
    case Buttons::kOkCancel:
      return Answer::kCancel;
    case Buttons::kYesNo:
    case Buttons::kYesNoCancel:
      return Answer::kNo;
  }
  return Answer::kOk;
}

}  // namespace typelane::cli
