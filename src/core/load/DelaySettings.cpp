#include "core/load/DelaySettings.h"

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
  command_delays_.assign(1, CommandDelay{});
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
  } else {
    const std::string text = FormatFloat(value);
    bool found = false;
    for (auto& row : command_delays_) {
      if (row.name == name) {
        row.value = text;
        found = true;
      }
    }
    if (!found) {
      if (command_delays_.empty() || !command_delays_.back().name.empty()) {
        command_delays_.emplace_back();
      }
      command_delays_.back().name = std::string(name);
      command_delays_.back().value = text;
    }
  }
}

void DelaySettings::SyncCommandDelays(const CommandTable& commands) {
  for (int r = 1; r < commands.RowCount(); ++r) {
    const std::string& name = commands.Cell(r, 0);
    if (name.empty()) continue;
    bool listed = false;
    for (const auto& row : command_delays_) {
      if (row.name == name) {
        listed = true;
        break;
      }
    }
    if (!listed) SetDelayByName(name, 0);
  }
  auto named_in_table = [&](const std::string& name) {
    for (int r = 1; r < commands.RowCount(); ++r) {
      if (commands.Cell(r, 0) == name) return true;
    }
    return false;
  };
  for (size_t i = 0; i < command_delays_.size();) {
    if (!named_in_table(command_delays_[i].name)) {
      if (command_delays_.size() == 1) {
        // The table never drops below one row: the last one is emptied instead.
        command_delays_[0] = CommandDelay{};
        break;
      }
      command_delays_.erase(command_delays_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace typelane
