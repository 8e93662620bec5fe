#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/common/Prompter.h"

namespace typelane::testing {

// Records every message and file dialog and answers from a script.
class ScriptedPrompter : public Prompter {
 public:
  struct Shown {
    std::string title;
    std::string text;
    Buttons buttons;
    int busy = 0;                    // how many hourglass cursors were up when it was shown
    std::vector<std::string> lines;  // the text as a message box shows it
  };

  // A box with OK alone answers OK and leaves the script alone. A question takes
  // the next scripted answer; unscripted, what Esc gives (No for a Yes/No
  // question, which has no Esc button). A scripted answer that is not one of
  // the question's buttons is a mistake in the test.
  Answer Message(std::string_view title, std::string_view text, Buttons buttons) override {
    std::vector<std::string> text_lines;
    for (std::string_view line : MessageLines(text)) text_lines.emplace_back(line);
    shown.push_back(
        {std::string(title), std::string(text), buttons, busy_depth, std::move(text_lines)});
    if (buttons == Buttons::kOk) return Answer::kOk;
    if (!answers.empty()) {
      Answer a = answers.front();
      answers.pop_front();
      if (!HasAnswer(buttons, a)) {
        throw std::logic_error("scripted answer is not a button of the message box");
      }
      return a;
    }
    return EscapeAnswer(buttons).value_or(Answer::kNo);
  }

  std::optional<FileChoice> ChooseOpenFile(std::string_view filter, int index,
                                           std::string_view name) override {
    dialogs.push_back({"open", std::string(filter), index, std::string(name)});
    return NextFile();
  }
  std::optional<FileChoice> ChooseSaveFile(std::string_view filter, int index,
                                           std::string_view name) override {
    dialogs.push_back({"save", std::string(filter), index, std::string(name)});
    return NextFile();
  }
  void BeginBusy() override {
    ++busy_depth;
    ++busy_count;
  }
  void EndBusy() override { --busy_depth; }

  struct Dialog {
    std::string kind;
    std::string filter;
    int filter_index;
    std::string file_name;
  };

  std::vector<Shown> shown;
  std::vector<Dialog> dialogs;
  std::deque<Answer> answers;                   // for Yes/No/Cancel questions
  std::deque<std::optional<FileChoice>> files;  // nullopt = the user cancels
  int busy_depth = 0;
  int busy_count = 0;

 private:
  std::optional<FileChoice> NextFile() {
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
  }
};

}  // namespace typelane::testing
