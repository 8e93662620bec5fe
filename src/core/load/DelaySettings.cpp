#include "core/load/DelaySettings.h"

#include <unordered_set>

#include "core/common/Numbers.h"
#include "core/common/Text.h"
#include "core/load/CommandTable.h"

namespace typelane {

DelaySettings::DelaySettings() { ResetToDefaults(); }

void DelaySettings::ResetToDefaults() {
  data_delay = 0;
  cell_delay = 0.2;
  form_delay = 0.25;
  key_hold = 50;
  system_hold = 50;
  menu_call = 250;
  hour_glass = 1000;
  paste_wait = 30;
  verify_wait = 0.5;
  command_delays_.assign(1, CommandDelay{});
  Reindex();
}

void DelaySettings::Reindex() {
  by_name_.clear();
  by_upper_.clear();
  duplicates_ = false;
  for (size_t i = 0; i < command_delays_.size(); ++i) {
    const std::string& name = command_delays_[i].name;
    if (!by_name_.try_emplace(name, i).second) duplicates_ = true;
    if (!name.empty()) by_upper_.try_emplace(UpperCase(name), i);
  }
  index_fresh_ = true;
}

double DelaySettings::DelayByName(std::string_view name) const {
  const std::string upper = UpperCase(name);
  if (upper == "DATA") return data_delay;
  if (upper == "CELL") return cell_delay;
  if (upper == "WINDOW") return form_delay;
  if (upper == "KEY") return key_hold / 1000.0;
  if (upper == "SYSTEM") return system_hold / 1000.0;
  if (upper == "MENU") return menu_call / 1000.0;
  if (upper == "HOURGLASS") return hour_glass / 1000.0;
  if (upper == "PASTEWAIT") return paste_wait;
  if (upper == "VERIFYWAIT") return verify_wait;
  if (index_fresh_) {
    auto it = by_upper_.find(upper);
    return it == by_upper_.end() ? 0 : StrToFloat(command_delays_[it->second].value);
  }
  for (const auto& row : command_delays_) {
    // A row without a name is unused: "*SL()" asks for the empty name and must
    // wait nothing rather than fail on the unused row's empty value.
    if (row.name.empty()) continue;
    if (UpperCase(row.name) == upper) return StrToFloat(row.value);
  }
  return 0;
}

namespace {
int TruncateMs(double value) {
  if (!(value == value)) return 0;
  if (value > 2147483647.0) return 2147483647;
  if (value < -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(value);
}
}  // namespace

void DelaySettings::SetDelayByName(std::string_view name, double value) {
  if (name == "DataDelay") {
    data_delay = value;
  } else if (name == "CellDelay") {
    cell_delay = value;
  } else if (name == "FormDelay") {
    form_delay = value;
  } else if (name == "KeyHold") {
    key_hold = TruncateMs(value);
  } else if (name == "SystemHold") {
    system_hold = TruncateMs(value);
  } else if (name == "MenuCall") {
    menu_call = TruncateMs(value);
  } else if (name == "HourGlass") {
    hour_glass = TruncateMs(value);
  } else if (name == "PasteWait") {
    paste_wait = value;
  } else if (name == "VerifyWait") {
    verify_wait = value;
  } else {
    if (!index_fresh_) Reindex();
    const std::string text = FormatFloat(value);
    auto it = by_name_.find(std::string(name));
    if (it != by_name_.end()) {
      if (duplicates_) {
        for (auto& row : command_delays_) {
          if (row.name == name) row.value = text;
        }
      } else {
        command_delays_[it->second].value = text;
      }
      return;
    }
    // The unused last row takes the name, else a row is added.
    const bool reuse = !command_delays_.empty() && command_delays_.back().name.empty();
    if (!reuse) command_delays_.emplace_back();
    CommandDelay& row = command_delays_.back();
    row.name = std::string(name);
    row.value = text;
    if (reuse) {
      // The unused row may have stood for the empty name: index afresh (this
      // happens once after a reset, not per name).
      Reindex();
    } else {
      by_name_.try_emplace(row.name, command_delays_.size() - 1);
      by_upper_.try_emplace(UpperCase(name), command_delays_.size() - 1);
    }
  }
}

void DelaySettings::SyncCommandDelays(const CommandTable& commands) {
  if (!index_fresh_) Reindex();
  for (int r = 1; r < commands.RowCount(); ++r) {
    const std::string& name = commands.Cell(r, 0);
    if (!name.empty() && by_name_.find(name) == by_name_.end()) SetDelayByName(name, 0);
  }
  std::unordered_set<std::string_view> in_table;
  for (int r = 1; r < commands.RowCount(); ++r) in_table.insert(commands.Cell(r, 0));
  std::vector<CommandDelay> kept;
  kept.reserve(command_delays_.size());
  for (auto& row : command_delays_) {
    if (in_table.count(row.name) != 0) kept.push_back(std::move(row));
  }
  // The table never drops below one row: an empty one stands in.
  if (kept.empty()) kept.emplace_back();
  command_delays_ = std::move(kept);
  Reindex();
}

}  // namespace typelane
