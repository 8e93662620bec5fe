#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace typelane {

// Files are read whole and written whole. Text is bytes: nothing is converted.

// Reads a whole file. Throws PlatformError with a message naming the file.
std::string ReadFileBytes(const std::string& path);

// Splits text into lines; a line ends at CR LF, a lone LF or a lone CR. A final
// line break does not start another line, so "a\r\n" is one line and "" none.
// The views point into text.
std::vector<std::string_view> SplitLines(std::string_view text);

// Writes bytes to a temporary file beside path, flushes it and renames it over
// path, so a failed save never damages the file that was there. Throws
// PlatformError.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// The list of lines a writer builds, kept as the bytes of the file: every line
// is followed by CR LF.
class TextOut {
 public:
  void Line(std::string_view line) {
    text_.append(line);
    text_.append("\r\n");
    ++count_;
  }
  // Appends pieces without ending the line; EndLine() finishes it.
  void Append(std::string_view piece) { text_.append(piece); }
  void Append(char c) { text_.push_back(c); }
  void EndLine() {
    text_.append("\r\n");
    ++count_;
  }
  void Reserve(size_t bytes) { text_.reserve(bytes); }
  const std::string& Text() const { return text_; }
  std::string Take() { return std::move(text_); }
  size_t LineCount() const { return count_; }
  std::vector<std::string> Lines() const;

 private:
  std::string text_;
  size_t count_ = 0;
};

}  // namespace typelane
