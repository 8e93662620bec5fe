#include "platform/recording/BlockTraceSink.h"

#include <ostream>

namespace typelane {

BlockTraceSink::BlockTraceSink(std::ostream& out)
    : out_(out), block_(std::make_unique<char[]>(kBlockBytes)) {}

BlockTraceSink::~BlockTraceSink() { Flush(); }

void BlockTraceSink::WriteBlock() {
  out_.write(block_.get(), static_cast<std::streamsize>(used_));
  used_ = 0;
}

void BlockTraceSink::LongLine(std::string_view line) {
  WriteBlock();
  if (line.size() < kBlockBytes) {
    Line(line);
    return;
  }
  // A clipboard text of megabytes goes out as it is.
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  out_.put('\n');
}

void BlockTraceSink::Flush() {
  if (used_ > 0) WriteBlock();
  out_.flush();
}

}  // namespace typelane
