#pragma once

#include <cstring>
#include <iosfwd>
#include <memory>
#include <string_view>

#include "platform/recording/TraceSink.h"

namespace typelane {

// Writes trace lines to a stream in large blocks and keeps nothing else: a dry
// run traces tens of millions of lines, and a write to a stream per line (for
// std::cout one more through the C library, which it is synced with) cost more
// than the load itself. Nothing reaches the stream before Flush() or a full
// block, so the owner flushes before writing anything else to the stream.
class BlockTraceSink : public TraceSink {
 public:
  explicit BlockTraceSink(std::ostream& out);
  ~BlockTraceSink() override;
  BlockTraceSink(const BlockTraceSink&) = delete;
  BlockTraceSink& operator=(const BlockTraceSink&) = delete;

  void Line(std::string_view line) override {
    if (line.size() >= kBlockBytes - used_) {
      LongLine(line);
      return;
    }
    std::memcpy(block_.get() + used_, line.data(), line.size());
    used_ += line.size();
    block_[used_++] = '\n';
  }
  // Writes out what is held and flushes the stream.
  void Flush();

 private:
  static constexpr std::size_t kBlockBytes = 1 << 18;
  void WriteBlock();
  void LongLine(std::string_view line);

  std::ostream& out_;
  std::unique_ptr<char[]> block_;
  std::size_t used_ = 0;
};

}  // namespace typelane
