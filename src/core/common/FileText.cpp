#include "core/common/FileText.h"

namespace typelane {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.data() + start, i - start);
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < n) lines.emplace_back(text.data() + start, n - start);
  return lines;
}

void WriteFileAtomic(const std::string& path, const std::function<void(TextOut&)>& write) {
  WriteFileAtomic(path, [&write](const std::function<void(std::string_view)>& to_file) {
    TextOut out(to_file);
    write(out);
    out.Finish();
  });
}

std::vector<std::string> TextOut::Lines() const {
  std::vector<std::string> out;
  for (auto line : SplitLines(text_)) out.emplace_back(line);
  // A line that was written empty at the very end is still a line.
  while (out.size() < count_) out.emplace_back();
  return out;
}

}  // namespace typelane
