#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace typelane {

// A file written a piece at a time while something goes on (a load's log):
// every Append is handed to the system at once, so a crash or a kill of the
// program keeps everything appended before it. Closed when destroyed.
// Implemented with the file-system module (FileSystemPosix.cpp,
// FileSystemWin32.cpp).
class AppendFile {
 public:
  // A new file, created exclusively and never through a link; nullptr when
  // something of that name is there already. Throws FileError otherwise.
  static std::unique_ptr<AppendFile> CreateNew(const std::string& path);

  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Writes bytes at the end of the file. Throws FileError.
  void Append(std::string_view bytes);
  const std::string& Path() const { return path_; }

 private:
  AppendFile(std::string path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}

  std::string path_;
  std::intptr_t handle_;
};

}  // namespace typelane
