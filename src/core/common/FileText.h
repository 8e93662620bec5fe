#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/FileSystem.h"

namespace typelane {

// Files are read whole and written whole. Text is bytes: nothing is converted.

// Reading and saving whole files (ReadFileBytes, WriteFileAtomic) are in
// FileSystem.h.

// Splits text into lines; a line ends at CR LF, a lone LF or a lone CR. A final
// line break does not start another line, so "a\r\n" is one line and "" none.
// The views point into text.
std::vector<std::string_view> SplitLines(std::string_view text);

class TextOut;
// Saves the file that write() produces (see WriteFileAtomic in FileSystem.h):
// the text goes out in blocks as it is made, so saving a sheet of any size
// needs a block of memory, not a copy of the whole file. write() may run more
// than once; an exception from it leaves the old file as it was and is passed on.
void WriteFileAtomic(const std::string& path, const std::function<void(TextOut&)>& write);

// The list of lines a writer builds, kept as the bytes of the file: every line
// is followed by CR LF.
class TextOut {
 public:
  TextOut() = default;
  // A TextOut that hands its text to spill in blocks: whenever a line ends
  // with more than block_bytes held, and on Finish(). Text() then holds only
  // what has not gone out yet.
  explicit TextOut(std::function<void(std::string_view)> spill, size_t block_bytes = 1 << 20)
      : spill_(std::move(spill)), block_(block_bytes) {
    text_.reserve(block_ + 4096);
  }

  void Line(std::string_view line) {
    text_.append(line);
    text_.append("\r\n");
    ++count_;
    if (spill_ && text_.size() >= block_) Spill();
  }
  // Appends pieces without ending the line; EndLine() finishes it.
  void Append(std::string_view piece) { text_.append(piece); }
  void Append(char c) { text_.push_back(c); }
  void EndLine() {
    text_.append("\r\n");
    ++count_;
    if (spill_ && text_.size() >= block_) Spill();
  }
  // Hands what is held to the spill function (nothing without one).
  void Finish() {
    if (spill_) Spill();
  }
  void Reserve(size_t bytes) { text_.reserve(bytes); }
  const std::string& Text() const { return text_; }
  std::string Take() { return std::move(text_); }
  size_t LineCount() const { return count_; }
  std::vector<std::string> Lines() const;

 private:
  void Spill() {
    if (text_.empty()) return;
    spill_(text_);
    text_.clear();
  }

  std::string text_;
  size_t count_ = 0;
  std::function<void(std::string_view)> spill_;
  size_t block_ = 0;
};

}  // namespace typelane
