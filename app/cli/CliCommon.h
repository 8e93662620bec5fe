#pragma once
// What the subcommands of typelane-cli share: exit codes, the option parser,
// the error line, the session a command works in.

#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "CliPrompter.h"
#include "core/document/Document.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/settings/SettingsStore.h"
#include "platform/secrets/DesktopSecrets.h"
#if defined(TYPELANE_HAVE_WIN32)
#include "platform/win32/RegistrySettingsStore.h"
#endif

namespace typelane {
class TraceSink;
class BlockTraceSink;
class StopSignals;
}  // namespace typelane

namespace typelane::cli {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;
constexpr int kExitNotFound = 4;

// Every error the tool prints starts with this, so a script's log tells whose
// line it is; warnings add "warning: ".
inline constexpr const char* kErrorPrefix = "typelane-cli: ";

// Bad usage: the command's usage follows the text, and the exit status is 2.
struct UsageError {
  std::string text;
  std::string command;  // whose usage to show; empty: the tool's
};

// One option of a subcommand: --name, --name VALUE or --name=VALUE, and a
// one-letter form where it has one.
struct OptionRule {
  const char* name;
  bool takes_value;
  char letter = 0;
};

struct ParsedArgs {
  // The options in the order given, each with its value ("" for a switch).
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> operands;
  bool help = false;  // --help or -h: the command's help, nothing else

  bool Has(std::string_view name) const;
  std::optional<std::string> Last(std::string_view name) const;
};

// getopt_long over a subcommand's arguments: options anywhere, "--" ends
// them, "-" is an operand (standard input or output). --help/-h always exist.
ParsedArgs ParseArgs(const std::string& command, const std::vector<std::string>& args,
                     std::span<const OptionRule> rules);

// A subcommand: its name, what it does, its usage and the text of --help.
struct Command {
  const char* name;
  const char* usage;    // the synopsis lines
  const char* summary;  // one line for the command list
  const char* details;  // options and notes, for its --help
  int (*run)(const std::vector<std::string>& args, const std::string& program_folder);
  const char* notes = nullptr;  // more of its --help, after the options
};

std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);
void PrintCommandHelp(const Command& command);
extern const char* const kExitCodesHelp;

// The subcommands.
int RunSend(const std::vector<std::string>& args, const std::string& folder);
int RunKeys(const std::vector<std::string>& args, const std::string& folder);
int RunWindows(const std::vector<std::string>& args, const std::string& folder);
int RunConvert(const std::vector<std::string>& args, const std::string& folder);
int RunPlayback(const std::vector<std::string>& args, const std::string& folder);

// An error line on stderr: the prefix, then the text.
void PrintError(const std::string& text);
void PrintWarning(const std::string& text);

// "-" names standard input or output; other names are themselves.
bool IsStandardStream(const std::string& path);
// A path the document can open for "-" (the standard input); the file it may
// need is removed when the object goes.
class InputPath {
 public:
  explicit InputPath(const std::string& path);
  ~InputPath();
  InputPath(const InputPath&) = delete;
  InputPath& operator=(const InputPath&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string temporary_;
};

// Option defaults and recent files, where the window keeps them too.
#if defined(TYPELANE_HAVE_WIN32)
using UserSettings = win32::RegistrySettingsStore;  // HKEY_CURRENT_USER
#else
// The sign-on password goes to the desktop's secret store; where none can be
// reached it stays in the settings file, and stderr says so once.
struct UserSettings : IniSettingsStore {
  UserSettings();
  std::unique_ptr<SecretStore> secrets;
};
#endif

// Everything a subcommand works with: the document (and so the command table,
// the delays and the options in force), messages on stderr.
struct Session {
  explicit Session(const std::string& program_folder)
      : prompter(std::cerr), document(prompter, settings, program_folder) {}

  CliPrompter prompter;
  UserSettings settings;
  Document document;
};

// Opens a sheet for a script. A sheet an interrupted save may have torn is
// refused: nobody is there to choose between it and its backup.
bool OpenSheet(Document& doc, const std::string& path);

// A dry run's platform traces to DryRunTrace() unless given a sink of its own.
std::unique_ptr<Platform> MakePlatform(bool dry_run, std::string& error, TraceSink* sink = nullptr);
// The standard output's trace sink: written in blocks, so whoever writes to
// the standard output after a dry run flushes it first.
BlockTraceSink& DryRunTrace();

// Esc is the user's way to stop a load: say so when it cannot work.
void WarnIfEscapeUnwatched(const Platform& platform);

// The signal plumbing: stop signals ask the load to stop (it lets go of its
// keys on the way out), a crash lets go of them and then crashes on.
class StopOnSignals {
 public:
  explicit StopOnSignals(Platform& platform);
  ~StopOnSignals();
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  // 128 + the signal that stopped the load (told on stderr); 0 when none came.
  static int ExitCode();

 private:
#if !defined(_WIN32)
  std::unique_ptr<StopSignals> signals_;
#endif
};

// The progress window of the command line: one line on a terminal's stderr,
// rewritten after every row, gone when the load ends (only where someone
// watches the terminal). A wait for held modifier keys is told on stderr in
// any case: a load that seems stuck says why.
class TerminalProgress : public LoadObserver {
 public:
  explicit TerminalProgress(bool show_rows) : show_rows_(show_rows) {}
  void RowProgress(int percent, int rows_loaded) override;
  void ProgressHidden() override;
  void WaitingForKeys(unsigned held) override;
  void WaitNotice(const std::string& text) override;
  void LoadNotice(const std::string& text) override;
  // A line of its own kind ("Reading orders.tyl (120 MB)..."), on a terminal.
  void Show(const std::string& text);

 private:
  bool show_rows_;
  bool shown_ = false;
  bool notice_shown_ = false;
};

}  // namespace typelane::cli
