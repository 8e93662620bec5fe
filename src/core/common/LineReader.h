#pragma once

#include <fstream>
#include <string>
#include <string_view>

#include "core/common/LineSource.h"

namespace typelane {

// A file read line by line through a buffer of about chunk_bytes (more only
// for a longer line). Lines end as SplitLines ends them (CR LF, a lone LF or
// a lone CR; a final line break starts no line), whatever chunk they fall in.
// Text is bytes: nothing is converted. How many lines are left is not known
// (a guess from the first lines could reserve far too much).
class LineReader : public LineSource {
 public:
  // Throws PlatformError, with the same message as ReadFileBytes, when the
  // file cannot be opened.
  explicit LineReader(const std::string& path, size_t chunk_bytes = 1 << 20);

  // Throws PlatformError when the file cannot be read on.
  bool Next(std::string_view& line) override;
  // Makes the next Next() give the line the last one gave again. Works on
  // pipes too (the file is not read twice).
  void Unread() { pos_ = last_start_; }
  // Everything not read yet, as bytes: for readers that need the whole file.
  std::string ReadRest();

 private:
  // Reads the next chunk behind the unread part; notes the end of the file.
  void Fill();

  std::string path_;
  std::ifstream in_;
  std::string buffer_;
  size_t pos_ = 0;         // start of the unread part of buffer_
  size_t last_start_ = 0;  // where the line the last Next() gave starts
  size_t chunk_;
  bool at_eof_ = false;
};

}  // namespace typelane
