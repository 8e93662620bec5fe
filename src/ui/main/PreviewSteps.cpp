#include "ui/main/PreviewSteps.h"

#include <algorithm>

#include "core/common/TextEncoding.h"

namespace typelane::ui {
namespace {

// How many trace lines may pile up before a key after a wait hands the steps
// on (a sheet of keystrokes alone has no clipboard lines to do it).
constexpr size_t kRotateLines = 4096;

}  // namespace

PreviewSteps::PreviewSteps(size_t keep) : keep_(keep), trace_(std::make_unique<ReadableTrace>()) {}

PreviewSteps::~PreviewSteps() = default;

void PreviewSteps::Rotate() {
  const std::vector<std::string>& steps = trace_->Steps();
  for (const std::string& step : steps) {
    if (kept_.size() < keep_) {
      kept_.push_back(step);
    } else {
      ++more_;
    }
  }
  done_ms_ += trace_->TotalMs();
  trace_ = std::make_unique<ReadableTrace>();
  lines_ = 0;
}

void PreviewSteps::Line(std::string_view line) {
  const size_t space = line.find(' ');
  const std::string_view word = line.substr(0, space);
  const std::string_view rest = space == std::string_view::npos ? "" : line.substr(space + 1);
  const bool idle = down_.empty() && !clip_pending_ && !move_pending_;
  if (word == "clip" || word == "activate" || word == "foreground") {
    // The trace ends whatever step is pending on these lines itself: handing
    // its steps on first changes nothing.
    if (down_.empty()) Rotate();
    move_pending_ = false;
    clip_pending_ = false;
  } else if (word == "down" && idle && waited_ && lines_ >= kRotateLines) {
    // A key after a wait starts a step of its own: the same.
    Rotate();
  }
  if (word == "wait") {
    // Only a wait with nothing held stands between two steps.
    if (down_.empty() && rest != "0") waited_ = true;
  } else if (word != "paste") {
    waited_ = false;
  }
  if (word == "move") move_pending_ = true;
  if (word == "button" || (word == "down" && down_.empty())) move_pending_ = false;
  ++lines_;
  // What is held: "down 11" / "up 11" for keys, "button left down" / "button
  // left up" for buttons.
  if (word == "down" || word == "up") {
    const std::string key = "key " + std::string(rest);
    down_.erase(std::remove(down_.begin(), down_.end(), key), down_.end());
    if (word == "down") down_.push_back(key);
    if (word == "up" && rest == "56") clip_pending_ = false;  // the V of the paste
  } else if (word == "button") {
    const size_t blank = rest.find(' ');
    const std::string button(rest.substr(0, blank));
    down_.erase(std::remove(down_.begin(), down_.end(), button), down_.end());
    if (blank != std::string_view::npos && rest.substr(blank + 1) == "down") {
      down_.push_back(button);
    }
  }
  if (word == "clip") {
    clip_pending_ = true;
  }
  trace_->Line(line);
}

const std::vector<std::string>& PreviewSteps::Steps() {
  Rotate();
  return kept_;
}

std::uint64_t PreviewSteps::MoreSteps() {
  Rotate();
  return more_;
}

std::int64_t PreviewSteps::TotalMs() const { return done_ms_ + trace_->TotalMs(); }

}  // namespace typelane::ui
