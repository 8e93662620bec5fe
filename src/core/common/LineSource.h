#pragma once

#include <cstddef>
#include <string_view>

namespace typelane {

// The lines of a file, one after the other, for readers that walk them once
// from the front: a large file then never has to be in memory whole.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line without its line break; the view holds until the next call.
  // False when there are no more lines.
  virtual bool Next(std::string_view& line) = 0;
  // About how many lines are left (for reserving room); 0 when unknown.
  virtual size_t RemainingHint() const { return 0; }
};

}  // namespace typelane
