#include "core/settings/Options.h"

#include "core/settings/SettingsStore.h"

namespace typelane {

Options LoadOptionDefaults(const SettingsStore& store) {
  Options o;
  if (!store.KeyExists(kOptionsKey)) return o;
  auto flag = [&](const char* name, bool& value) {
    if (auto v = store.ReadInt(kOptionsKey, name)) value = *v != 0;
  };
  auto number = [&](const char* name, std::int32_t& value) {
    if (auto v = store.ReadInt(kOptionsKey, name)) value = *v;
  };
  auto text = [&](const char* name, std::string& value) {
    if (auto v = store.ReadString(kOptionsKey, name)) value = *v;
  };
  flag("HourGlass", o.hour_glass);
  flag("AutoInsert", o.auto_insert);
  flag("ProgressBar", o.progress_bar);
  flag("TitleSize", o.title_size);
  flag("ExitApps", o.exit_apps);
  number("DataSource", o.data_source);
  number("ImportLoad", o.import_load);
  number("DataColour", o.data_colour);
  number("CommandColour", o.command_colour);
  number("KeystrokeColour", o.keystroke_colour);
  text("UserName", o.user_name);
  text("Password", o.password);
  text("Responsibility", o.responsibility);
  flag("VerifyPaste", o.verify_paste);
  return o;
}

bool SaveOptionDefaults(SettingsStore& store, const Options& o) {
  if (!store.CreateKey(kOptionsKey)) return false;
  bool ok = true;
  ok &= store.WriteInt(kOptionsKey, "HourGlass", o.hour_glass ? 1 : 0);
  ok &= store.WriteInt(kOptionsKey, "AutoInsert", o.auto_insert ? 1 : 0);
  ok &= store.WriteInt(kOptionsKey, "ProgressBar", o.progress_bar ? 1 : 0);
  ok &= store.WriteInt(kOptionsKey, "TitleSize", o.title_size ? 1 : 0);
  ok &= store.WriteInt(kOptionsKey, "ExitApps", o.exit_apps ? 1 : 0);
  ok &= store.WriteInt(kOptionsKey, "DataSource", o.data_source);
  ok &= store.WriteInt(kOptionsKey, "ImportLoad", o.import_load);
  ok &= store.WriteInt(kOptionsKey, "DataColour", o.data_colour);
  ok &= store.WriteInt(kOptionsKey, "CommandColour", o.command_colour);
  ok &= store.WriteInt(kOptionsKey, "KeystrokeColour", o.keystroke_colour);
  ok &= store.WriteString(kOptionsKey, "UserName", o.user_name);
  ok &= store.WriteString(kOptionsKey, "Password", o.password);
  ok &= store.WriteString(kOptionsKey, "Responsibility", o.responsibility);
  ok &= store.WriteInt(kOptionsKey, "VerifyPaste", o.verify_paste ? 1 : 0);
  return ok;
}

}  // namespace typelane
