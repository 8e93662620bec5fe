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
class BlockTraceSink final : public TraceSink {
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
    CopySmall(block_.get() + used_, line.data(), line.size());
    used_ += line.size();
    block_[used_++] = '\n';
  }
  // Writes out what is held and flushes the stream.
  void Flush();

 private:
  static constexpr std::size_t kBlockBytes = 1 << 18;
  // Most lines are a few bytes ("wait 50", "up 56"): copied by fixed-size
  // moves the compiler inlines, rather than a call to memcpy per line.
  static void CopySmall(char* to, const char* from, std::size_t size) {
    if (size >= 8 && size <= 16) {
      std::memcpy(to, from, 8);
      std::memcpy(to + size - 8, from + size - 8, 8);
    } else if (size >= 4 && size < 8) {
      std::memcpy(to, from, 4);
      std::memcpy(to + size - 4, from + size - 4, 4);
    } else {
      std::memcpy(to, from, size);
    }
  }
  void WriteBlock();
  void LongLine(std::string_view line);

  std::ostream& out_;
  std::unique_ptr<char[]> block_;
  std::size_t used_ = 0;
};

}  // namespace typelane
