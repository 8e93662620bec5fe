#pragma once

#include <string_view>

namespace typelane {

// Where a recording platform's trace lines go when they are not kept.
class TraceSink {
 public:
  virtual ~TraceSink() = default;
  // One trace line, without its line end.
  virtual void Line(std::string_view line) = 0;
};

}  // namespace typelane
