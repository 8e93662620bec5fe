#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace typelane::testing {

// A folder of its own for each test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "typelane-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignore;
    std::filesystem::remove_all(path_, ignore);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // The path with its separator, as a program folder is given.
  std::string Folder() const { return path_ + "/"; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

}  // namespace typelane::testing
