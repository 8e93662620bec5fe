#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <string_view>

namespace typelane::testing {

// A folder of its own for each test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    // A fresh name made here and created exclusively (mkdtemp is POSIX only).
    const auto base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
      auto candidate = base / ("typelane-test-" + std::to_string(random() % 1000000000000ULL));
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate.string();
        return;
      }
    }
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
