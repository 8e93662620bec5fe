#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "core/load/CommandTable.h"
#include "core/load/DelaySettings.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/sheet/Sheet.h"

namespace typelane::testing {

using Trace = std::vector<std::string>;

inline Trace Join(std::initializer_list<Trace> parts) {
  Trace all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Delays whose waits are all different, so a trace shows which wait is which:
// KeyHold 5, SystemHold 7, DataDelay 3 ms, CellDelay 200 ms, FormDelay 250 ms,
// HourGlass 1000 ms, the extra delay of TAB 11 ms and of NEXT 100 ms.
inline DelaySettings TestDelays() {
  DelaySettings delays;
  delays.key_hold = 5;
  delays.system_hold = 7;
  delays.data_delay = 0.003;
  delays.cell_delay = 0.2;
  delays.form_delay = 0.25;
  delays.hour_glass = 1000;
  delays.SetDelayByName("TAB", 0.011);
  delays.SetDelayByName("NEXT", 0.1);
  return delays;
}

// Two groups, GA and GB (column 3, the one an unknown group gets).
inline CommandTable TestCommands() {
  CommandTable commands;
  std::vector<std::string> lines = {
      "Name\tNote\tGA\tGB\tLast", "NEXT\t\t\\{DOWN}\t\\{TAB}\t", "EMPTY\t\t\t\t",
      "ALIAS\t\tnext\tnext\t",    "WAIT\t\t*SL(1)\t*SL(1)\t",
  };
  commands.Load(lines);
  return commands;
}

inline Sheet SheetOf(const std::vector<std::vector<std::string>>& rows) {
  Sheet sheet;
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const int row = static_cast<int>(r) + 1;
      const int col = static_cast<int>(c) + 1;
      sheet.SetCell(row, col, rows[r][c]);
      sheet.RaiseExtent(row, col);
    }
  }
  return sheet;
}

inline Trace Press(const std::string& hex) { return {"down " + hex, "wait 5", "up " + hex}; }
inline Trace CtrlV() { return {"down 11", "wait 7", "down 56", "wait 5", "up 56", "up 11"}; }
inline Trace Paste(const std::string& clip) {
  return Join({{"clip " + clip}, CtrlV(), {"wait 3"}});
}
inline Trace AutoTab() { return Join({Press("09"), {"wait 11"}}); }

// Remembers what the load reported.
class RecordingObserver : public LoadObserver {
 public:
  void ProgressShown() override { events.push_back("shown"); }
  void ProgressHidden() override { events.push_back("hidden"); }
  void ColumnProgress(int percent) override { events.push_back("col " + std::to_string(percent)); }
  void RowProgress(int percent, int rows_loaded) override {
    events.push_back("row " + std::to_string(percent) + " " + std::to_string(rows_loaded));
  }
  void WaitingForKeys(unsigned held) override { events.push_back("hold " + ModifierNames(held)); }
  void KeysReleased() override { events.push_back("released"); }
  std::vector<std::string> events;
};

}  // namespace typelane::testing
