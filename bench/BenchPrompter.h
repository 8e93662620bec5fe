#pragma once

#include <optional>
#include <string_view>

#include "core/common/Prompter.h"

namespace typelane {

// A prompter for benchmarks: nobody is there, so every message gets the one
// answer given and no file is ever chosen.
class BenchPrompter : public Prompter {
 public:
  explicit BenchPrompter(Answer answer) : answer_(answer) {}
  Answer Message(std::string_view, std::string_view, Buttons) override { return answer_; }
  std::optional<FileChoice> ChooseOpenFile(std::string_view, int, std::string_view) override {
    return std::nullopt;
  }
  std::optional<FileChoice> ChooseSaveFile(std::string_view, int, std::string_view) override {
    return std::nullopt;
  }

 private:
  Answer answer_;
};

}  // namespace typelane
