#include "core/common/FileText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/common/Errors.h"

namespace typelane {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PlatformError("Cannot open file \"" + path + "\": " + std::strerror(errno));
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  std::string bytes;
  if (!ec) bytes.reserve(static_cast<size_t>(size));
  char buf[1 << 16];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, static_cast<size_t>(in.gcount()));
    if (in.eof()) break;
  }
  if (in.bad()) throw PlatformError("Cannot read file \"" + path + "\"");
  return bytes;
}

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

namespace {

// Writes what produce() hands to its write function to a temporary file beside
// path, flushes it and renames it over path.
void WriteFileAtomicWith(
    const std::string& path,
    const std::function<void(const std::function<void(std::string_view)>&)>& produce) {
  namespace fs = std::filesystem;
  fs::path target(path);
  std::random_device rd;
  fs::path temp = target;
  temp += ".tmp" + std::to_string(rd() % 1000000);
  auto remove_temp = [&temp] {
    std::error_code ignore;
    fs::remove(temp, ignore);
  };
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw PlatformError("Cannot create file \"" + temp.string() + "\"");
    try {
      produce([&out](std::string_view bytes) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      });
    } catch (...) {
      out.close();
      remove_temp();
      throw;
    }
    out.flush();
    if (!out) {
      out.close();
      remove_temp();
      throw PlatformError("Cannot write file \"" + path + "\"");
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    remove_temp();
    throw PlatformError("Cannot replace file \"" + path + "\": " + ec.message());
  }
}

}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  WriteFileAtomicWith(
      path, [bytes](const std::function<void(std::string_view)>& write) { write(bytes); });
}

void WriteFileAtomic(const std::string& path, const std::function<void(TextOut&)>& write) {
  WriteFileAtomicWith(path, [&write](const std::function<void(std::string_view)>& to_file) {
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
