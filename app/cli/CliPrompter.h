#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "core/common/Prompter.h"

namespace typelane::cli {

// Messages become lines on a stream: "typelane-cli: first line" ("typelane-cli:
// warning: " for a warning) and the further lines of the message below it. Questions are answered
// No (the tool never saves a document it was not asked to), and the save dialog answers with the
// file the command line named.
class CliPrompter : public Prompter {
 public:
  explicit CliPrompter(std::ostream& out) : out_(out) {}

  Answer Message(std::string_view title, std::string_view text, Buttons buttons) override;
  std::optional<FileChoice> ChooseOpenFile(std::string_view, int, std::string_view) override {
    return std::nullopt;
  }
  std::optional<FileChoice> ChooseSaveFile(std::string_view, int, std::string_view) override {
    return save_choice;
  }

  std::optional<FileChoice> save_choice;
  int errors_shown = 0;

 private:
  std::ostream& out_;
};

// A message's lines (split as every prompter splits them, MessageLines) as
// lines of terminal output, without a line break after the last.
std::string MessageLines(std::string_view text);

}  // namespace typelane::cli
