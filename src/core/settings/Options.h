#pragma once

#include <cstdint>
#include <string>

namespace typelane {

class SettingsStore;

inline constexpr const char* kOptionsKey = "Software\\Veltrax\\Typelane\\Options";

// The options in force. Every part of the program reads these values; the
// stored defaults only seed them (at start-up, New and Open), and a sheet file
// replaces nine of them while it is open.
struct Options {
  bool hour_glass = false;                 // HourGlass: wait while the target shows the hourglass
  bool auto_insert = true;                 // AutoInsert: insert the column's command in blank cells
  bool progress_bar = true;                // ProgressBar: show the progress window during a load
  bool title_size = false;                 // TitleSize: size columns to fit their titles
  bool exit_apps = false;                  // ExitApps: exit Oracle Applications after a playback
  std::int32_t data_source = 0;            // DataSource: 0 selected data, 1 all data
  std::int32_t import_load = 0;            // ImportLoad: 0 import only, 1 import then load
  std::int32_t data_colour = 16777215;     // DataColour, 0x00BBGGRR
  std::int32_t command_colour = 16777215;  // CommandColour
  std::int32_t keystroke_colour = 16777215;  // KeystrokeColour
  std::string user_name;                     // UserName
  std::string password;                      // Password
  std::string responsibility;                // Responsibility
  // VerifyPaste: read every pasted value back from the target's field
  bool verify_paste = false;

  bool operator==(const Options&) const = default;
};

// Reads the stored defaults: a missing key or value gives the built-in default.
Options LoadOptionDefaults(const SettingsStore& store);

// Stores every option as a default for new sheets. False when the store could
// not be written.
bool SaveOptionDefaults(SettingsStore& store, const Options& options);

}  // namespace typelane
