#include "core/common/Prompter.h"

#include <algorithm>

namespace typelane {

std::span<const Answer> ButtonAnswers(Buttons buttons) {
  static constexpr Answer kOk[] = {Answer::kOk};
  static constexpr Answer kOkCancel[] = {Answer::kOk, Answer::kCancel};
  static constexpr Answer kYesNo[] = {Answer::kYes, Answer::kNo};
  static constexpr Answer kYesNoCancel[] = {Answer::kYes, Answer::kNo, Answer::kCancel};
  static constexpr Answer kOkOpen[] = {Answer::kOk, Answer::kOpen};
  switch (buttons) {
    case Buttons::kOk:
      return kOk;
    case Buttons::kOkCancel:
      return kOkCancel;
    case Buttons::kYesNo:
      return kYesNo;
    case Buttons::kYesNoCancel:
      return kYesNoCancel;
    case Buttons::kOkOpen:
      return kOkOpen;
  }
  return kOk;
}

Answer DefaultAnswer(Buttons buttons) { return ButtonAnswers(buttons).front(); }

std::optional<Answer> EscapeAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk:
    case Buttons::kOkOpen:
      return Answer::kOk;
    case Buttons::kOkCancel:
    case Buttons::kYesNoCancel:
      return Answer::kCancel;
    case Buttons::kYesNo:
      return std::nullopt;
  }
  return std::nullopt;
}

bool HasAnswer(Buttons buttons, Answer answer) {
  const auto answers = ButtonAnswers(buttons);
  return std::find(answers.begin(), answers.end(), answer) != answers.end();
}

std::vector<std::string_view> MessageLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace typelane
