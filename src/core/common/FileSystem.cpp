#include "core/common/FileSystem.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>

namespace typelane {
namespace {

constexpr size_t kSuffixLength = 6;
constexpr std::string_view kEnding = ".typelane-save";
constexpr std::string_view kBackupEnding = ".typelane-backup";
// Long names are cut so that the temporary's name stays within the 255 bytes
// (or UTF-16 units) a name may have.
constexpr size_t kMaxBase = 200;

std::atomic<bool> named_only{false};
std::atomic<int> saves_running{0};
std::mutex suffixes_mutex;
std::deque<std::string> test_suffixes;

std::string_view CutBase(std::string_view base) {
  if (base.size() <= kMaxBase) return base;
  size_t n = kMaxBase;
  // Never inside a UTF-8 character.
  while (n > 0 && (static_cast<unsigned char>(base[n]) & 0xC0) == 0x80) --n;
  return base.substr(0, n);
}

}  // namespace

namespace file_system_testing {

void UseNamedTemporaries(bool named, std::vector<std::string> suffixes) {
  named_only = named;
  std::lock_guard lock(suffixes_mutex);
  test_suffixes.assign(suffixes.begin(), suffixes.end());
}

std::string TemporaryName(std::string_view base, std::string_view suffix) {
  std::string name = ".";
  name += CutBase(base);
  name += '.';
  name += suffix;
  name += kEnding;
  return name;
}

}  // namespace file_system_testing

namespace file_system_detail {

bool IsTemporaryName(std::string_view name, std::string_view base) {
  const std::string prefix = "." + std::string(CutBase(base)) + ".";
  if (name.size() != prefix.size() + kSuffixLength + kEnding.size()) return false;
  if (!name.starts_with(prefix) || !name.ends_with(kEnding)) return false;
  for (char c : name.substr(prefix.size(), kSuffixLength)) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum) return false;
  }
  return true;
}

std::string NextTemporarySuffix() {
  {
    std::lock_guard lock(suffixes_mutex);
    if (!test_suffixes.empty()) {
      std::string suffix = std::move(test_suffixes.front());
      test_suffixes.pop_front();
      return suffix;
    }
  }
  static constexpr std::string_view kChars =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  thread_local std::mt19937_64 random([] {
    std::random_device device;
    std::seed_seq seed{
        device(), device(),
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::mt19937_64(seed);
  }());
  std::string suffix;
  for (size_t i = 0; i < kSuffixLength; ++i) suffix += kChars[random() % kChars.size()];
  return suffix;
}

bool NamedTemporariesOnly() { return named_only; }

std::string BackupNameBeside(std::string_view base) {
  return "." + std::string(CutBase(base)) + std::string(kBackupEnding);
}

std::string BackupNameInFolder(std::string_view full_path) {
  // FNV-1a: the same path gives the same name on every run and system.
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : full_path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  const size_t slash = full_path.find_last_of("/\\");
  const std::string_view base =
      CutBase(slash == std::string_view::npos ? full_path : full_path.substr(slash + 1));
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return std::string(base) + "." + hex + std::string(kBackupEnding);
}

std::string BackupFolder() {
#if defined(_WIN32)
  const std::string app_data = EnvironmentValue("APPDATA");
  if (app_data.empty()) return {};
  return app_data + "\\Typelane\\backups";
#else
  // The user's data folder as the rest of the program finds it: a relative
  // XDG_DATA_HOME is ignored, as the XDG rules say.
  std::string base = EnvironmentValue("XDG_DATA_HOME");
  if (base.empty() || base.front() != '/') {
    const std::string home = EnvironmentValue("HOME");
    if (home.empty()) return {};
    base = home + (home.ends_with('/') ? "" : "/") + ".local/share";
  }
  return base + (base.ends_with('/') ? "" : "/") + "typelane/backups";
#endif
}

SaveScope::SaveScope() { ++saves_running; }
SaveScope::~SaveScope() { --saves_running; }

}  // namespace file_system_detail

bool SaveInProgress() { return saves_running.load() > 0; }

}  // namespace typelane
