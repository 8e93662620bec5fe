#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace typelane {

class CommandTable;

// How long a load waits at each point. Fractional delays are seconds, whole ones
// milliseconds. Each command may also have an extra delay (seconds, kept as the
// text the user or the sheet file gave).
class DelaySettings {
 public:
  struct CommandDelay {
    std::string name;
    std::string value;
  };

  DelaySettings();
  void ResetToDefaults();

  double data_delay = 0;     // DataDelay: after a data cell is pasted
  double cell_delay = 0.2;   // CellDelay: after every cell that is not empty
  double form_delay = 0.25;  // FormDelay: after a window is activated
  int key_hold = 50;         // KeyHold: a key or button is held down
  int system_hold = 50;      // SystemHold: pause after Shift, Ctrl or Alt goes down
  int menu_call = 250;       // MenuCall: only through DelayByName("MENU")
  int hour_glass = 1000;     // HourGlass: between two checks of a busy target
  // PasteWait: the longest the load waits for the target to take a paste
  // before it stops with an error; 0 waits for as long as it takes (Esc
  // still stops).
  double paste_wait = 30;
  // VerifyWait: how long a load that verifies its pastes gives the target's
  // field to show a pasted value (a paste is asynchronous) before it counts
  // the field's text as what the target kept.
  double verify_wait = 0.5;

  // The range the delays dialog accepts for every standard delay: none is
  // negative, and none is longer than a day (a longer one is a slip of the
  // keyboard, and a load would sit in it past any Esc the user expects to
  // need). The sheet file keeps and reads back every value in it exactly.
  static constexpr double kMaxSeconds = 86400;
  static constexpr int kMaxMilliseconds = 86400000;

  // Seconds for a standard name (DATA, CELL, WINDOW, KEY, SYSTEM, MENU,
  // HOURGLASS, PASTEWAIT, VERIFYWAIT, any case) or a command's extra delay; 0 for an unknown name.
  // Throws ConversionError when the command's value is not a number.
  double DelayByName(std::string_view name) const;

  // Sets a standard delay by its exact key (DataDelay, ..., HourGlass,
  // PasteWait, VerifyWait) or else
  // the extra delay of the command of that name, adding a row when needed.
  void SetDelayByName(std::string_view name, double value);

  // Makes the per-command table list exactly the command names of the table,
  // keeping the values of names that stay.
  void SyncCommandDelays(const CommandTable& commands);

  // The per-command table; it always has at least one row, and a row with an
  // empty name is unused. Names changed through MutableCommandDelays() are
  // looked up by walking the table until the next SetDelayByName,
  // SyncCommandDelays or ResetToDefaults.
  const std::vector<CommandDelay>& CommandDelays() const { return command_delays_; }
  std::vector<CommandDelay>& MutableCommandDelays() {
    index_fresh_ = false;
    return command_delays_;
  }

 private:
  void Reindex();

  std::vector<CommandDelay> command_delays_;
  // Sheets carry tens of thousands of commands: names are found through
  // indexes, not by walking the table per name. Exact name -> first row, and
  // upper-cased name -> first row with a name.
  std::unordered_map<std::string, size_t> by_name_;
  std::unordered_map<std::string, size_t> by_upper_;
  bool duplicates_ = false;  // a name on several rows: SetDelayByName sets them all
  bool index_fresh_ = false;
};

}  // namespace typelane
