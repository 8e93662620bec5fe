// Start-up over a settings file of 100 MB (a file someone's tool filled with
// values of its own): opening the store and reading every option default, as
// the window does at start-up, New and Open. Prints the time of one parse of
// the file beside the time of the start-up and of a New; reading the options
// should cost about one parse, not one per option.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "BenchTiming.h"
#include "core/common/FileSystem.h"
#include "core/settings/Options.h"
#include "core/settings/SettingsStore.h"

namespace {

using namespace typelane;

void Print(const char* what, Timing t) { PrintTiming(what, t, 40); }

}  // namespace

int main() {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "typelane-bench-settings";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "settings.ini").string();

  // The options first, then about 100 MB of other values.
  std::string text =
      "[Software\\Veltrax\\Typelane\\Options]\r\nHourGlass=i:1\r\nUserName=s:SYSADMIN\r\n"
      "DataColour=i:255\r\n[Other\\Tool]\r\n";
  constexpr size_t kSize = 100u << 20;
  text.reserve(kSize + 100);
  for (long i = 0; text.size() < kSize; ++i) {
    text += "Value" + std::to_string(i) + "=s:" + std::string(40, 'x') + "\r\n";
  }
  WriteFileAtomic(path, text);
  std::printf("settings file: %.1f MB\n", static_cast<double>(text.size()) / (1 << 20));
  text.clear();
  text.shrink_to_fit();

  Timing parse = Seconds([&] { IniSettingsStore only_open(path); });
  Print("one parse (opening the store)", parse);

  Options options;
  Timing startup = Seconds([&] {
    IniSettingsStore store(path);
    options = LoadOptionDefaults(store);
  });
  Print("start-up: open and read every option", startup);

  IniSettingsStore store(path);
  Timing again = Seconds([&] { options = LoadOptionDefaults(store); });
  Print("New: every option again, file unchanged", again);

  std::printf("start-up / one parse: %.2f\n", startup.wall / parse.wall);
  if (!options.hour_glass || options.user_name != "SYSADMIN") {
    std::printf("wrong options read\n");
    return 1;
  }
  std::filesystem::remove_all(dir);
  return 0;
}
