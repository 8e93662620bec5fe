#include "CliPrompter.h"

#include <ostream>
#include <vector>

namespace typelane::cli {

std::string MessageLines(std::string_view text) {
  const std::vector<std::string_view> lines = typelane::MessageLines(text);
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out.push_back('\n');
    out.append(lines[i]);
  }
  return out;
}

Answer CliPrompter::Message(std::string_view title, std::string_view text, Buttons buttons) {
  if (title == kTitleError) ++errors_shown;
  // The window's titles name the program; on a terminal every line of ours
  // starts the same way, and a warning says it is one.
  out_ << "typelane-cli: " << (title == kTitleWarning ? "warning: " : "") << MessageLines(text)
       << std::endl;
  // A script is never asked: questions take No (the tool saves nothing it was
  // not told to), OK/Cancel takes Cancel (nothing is confirmed unasked).
  if (HasAnswer(buttons, Answer::kNo)) return Answer::kNo;
  return EscapeAnswer(buttons).value_or(DefaultAnswer(buttons));
}

}  // namespace typelane::cli
