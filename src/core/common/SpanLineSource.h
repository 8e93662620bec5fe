#pragma once

#include <span>
#include <string_view>

#include "core/common/LineSource.h"

namespace typelane {

// Lines already in memory, as a LineSource.
class SpanLineSource : public LineSource {
 public:
  explicit SpanLineSource(std::span<const std::string_view> lines) : lines_(lines) {}
  bool Next(std::string_view& line) override {
    if (pos_ >= lines_.size()) return false;
    line = lines_[pos_++];
    return true;
  }
  size_t RemainingHint() const override { return lines_.size() - pos_; }

 private:
  std::span<const std::string_view> lines_;
  size_t pos_ = 0;
};

}  // namespace typelane
