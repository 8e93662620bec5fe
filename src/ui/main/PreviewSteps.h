#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/recording/ReadableTrace.h"
#include "platform/recording/TraceSink.h"

namespace typelane::ui {

// The steps Preview Load shows, from a recording desktop's trace: the first
// `keep` readable steps (ReadableTrace) and a count of the rest, so a preview
// of millions of rows costs the memory of what it shows. Pasted text is shown
// as the clipboard gets it, in UTF-8 (a cell "\\back1" pastes \back1), with
// tabs and line breaks drawn as their control pictures so a step stays one line.
class PreviewSteps : public TraceSink {
 public:
  explicit PreviewSteps(size_t keep);
  ~PreviewSteps() override;

  void Line(std::string_view line) override;

  // Once the load is over: the steps kept, and how many came after them.
  const std::vector<std::string>& Steps();
  std::uint64_t MoreSteps();
  // Every wait of the trace added up.
  std::int64_t TotalMs() const;

 private:
  // Hands the steps the current trace has made to Steps()/MoreSteps() and
  // starts a fresh one. Only where the trace is between two steps.
  void Rotate();

  size_t keep_;
  std::vector<std::string> kept_;
  std::uint64_t more_ = 0;
  std::int64_t done_ms_ = 0;
  std::unique_ptr<ReadableTrace> trace_;
  // Lines fed to the current trace: a long run of keys without a boundary
  // still gets handed on.
  size_t lines_ = 0;
  // Keys and buttons down now, and a clipboard text not yet pasted: the
  // trace is in the middle of a step while either is there.
  std::vector<std::string> down_;
  bool clip_pending_ = false;
  // A pointer move not yet followed by its click or key.
  bool move_pending_ = false;
  // The lines since the last step were waits of some length.
  bool waited_ = false;
};

}  // namespace typelane::ui
