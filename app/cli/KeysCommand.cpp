// keys and windows: keystrokes into whatever has the focus, and the window list.

#include <iostream>

#include "CliCommon.h"
#include "core/load/BuiltInCommands.h"
#include "core/load/GuardedPlatform.h"
#include "core/load/Keystrokes.h"
#include "core/load/SendData.h"
#include "platform/recording/BlockTraceSink.h"

namespace typelane::cli {
namespace {
constexpr OptionRule kKeysOptions[] = {{"dry-run", false}};
}  // namespace

int RunKeys(const std::vector<std::string>& args, const std::string& folder) {
  const ParsedArgs parsed = ParseArgs("keys", args, kKeysOptions);
  if (parsed.help) {
    PrintCommandHelp(*FindCommand("keys"));
    return kExitOk;
  }
  if (parsed.operands.empty()) throw UsageError{"keys needs a TEXT", "keys"};
  if (parsed.operands.size() > 1) throw UsageError{"keys takes one TEXT (quote it)", "keys"};
  const std::string& text = parsed.operands[0];

  Session session(folder);
  Document& doc = session.document;
  doc.LoadCommands({});
  doc.delays.SyncCommandDelays(doc.commands);

  std::string platform_error;
  auto platform = MakePlatform(parsed.Has("dry-run"), platform_error);
  if (!platform) {
    PrintError(platform_error);
    return kExitError;
  }
  StopOnSignals stop_on_signals(*platform);
  // A dry run's trace is out before anything else is said, however it ends.
  auto flush_trace = [dry_run = parsed.Has("dry-run")] {
    if (dry_run) DryRunTrace().Flush();
  };
  try {
    GuardedPlatform guard(*platform);
    if (!PlayBuiltInCommand(guard, doc.delays, text)) TypeKeystrokes(guard, doc.delays, text);
    flush_trace();
  } catch (const std::exception& e) {
    flush_trace();
    if (const int signalled = StopOnSignals::ExitCode()) return signalled;
    PrintError(e.what());
    return kExitError;
  }
  if (const int signalled = StopOnSignals::ExitCode()) return signalled;
  return kExitOk;
}

int RunWindows(const std::vector<std::string>& args, const std::string&) {
  const ParsedArgs parsed = ParseArgs("windows", args, {});
  if (parsed.help) {
    PrintCommandHelp(*FindCommand("windows"));
    return kExitOk;
  }
  if (!parsed.operands.empty()) throw UsageError{"windows takes no arguments", "windows"};
  std::string platform_error;
  auto platform = MakePlatform(false, platform_error);
  if (!platform) {
    PrintError(platform_error);
    return kExitError;
  }
  for (const auto& title : ListWindowTitles(*platform, kCaptionBase)) std::cout << title << "\n";
  return kExitOk;
}

}  // namespace typelane::cli
