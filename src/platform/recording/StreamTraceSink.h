#pragma once

#include <iosfwd>
#include <string_view>

#include "platform/recording/TraceSink.h"

namespace typelane {

// Writes each trace line and a newline to a stream and keeps nothing, so a dry
// run of millions of keys runs in the same memory as a short one. The stream is
// not flushed per line: its own buffer takes the lines (for std::cout, the C
// library's, which a pipe or file gets whole blocks from), and whatever the
// program writes to the same stream afterwards comes after them.
class StreamTraceSink : public TraceSink {
 public:
  explicit StreamTraceSink(std::ostream& out) : out_(out) {}
  void Line(std::string_view line) override;

 private:
  std::ostream& out_;
};

}  // namespace typelane
