// typelane-cli: loads and conversions from scripts.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliPrompter.h"
#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/Numbers.h"
#include "core/document/Document.h"
#include "core/document/MakeSendRequest.h"
#include "core/files/LoadLog.h"
#include "core/files/ProgramFolder.h"
#include "core/forms/DropLists.h"
#include "core/forms/PlaybackRows.h"
#include "core/load/BuiltInCommands.h"
#include "core/load/GuardedPlatform.h"
#include "core/load/Keystrokes.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/load/SendData.h"
#include "core/settings/SettingsStore.h"
#include "core/sheet/CellKind.h"
#include "core/sheet/TextHelpers.h"
#include "platform/common/Signals.h"
#include "platform/recording/ReadableTrace.h"
#include "platform/recording/RecordingPlatform.h"
#include "platform/recording/StreamTraceSink.h"
#include "platform/secrets/DesktopSecrets.h"
#if defined(TYPELANE_HAVE_X11)
#include "platform/x11/X11Platform.h"
#endif
#if defined(TYPELANE_HAVE_WIN32)
#include "platform/win32/RegistrySettingsStore.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"
#endif
#if defined(_WIN32)
// After our headers: windows.h renames VkKeyScan, a Platform method.
#include <windows.h>
#undef VkKeyScan
#endif

namespace typelane::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;
constexpr int kExitNotFound = 4;

const char* const kUsage =
    "usage:\n"
    "  typelane-cli send [--dry-run [--readable]] [--log FILE] [--window TITLE] [--group NAME]\n"
    "                    [--rows A-B] [--cols A-B] [--from-cell C] SHEET\n"
    "  typelane-cli keys [--dry-run] TEXT\n"
    "  typelane-cli windows\n"
    "  typelane-cli convert IN OUT\n"
    "  typelane-cli playback RECORDING.fpb DATA -o OUT.fpb\n"
    "  typelane-cli --version\n"
    "\n"
    "send takes its delays from the sheet file (its begindelays section):\n"
    "  DataDelay   seconds after each data cell is pasted (0)\n"
    "  CellDelay   seconds after every cell that is not empty (0.2)\n"
    "  FormDelay   seconds after the target window is activated (0.25)\n"
    "  KeyHold     milliseconds each key and mouse button is held down (50)\n"
    "  SystemHold  milliseconds after pressing Shift, Ctrl or Alt (50)\n"
    "  MenuCall    milliseconds of a MENU wait (250)\n"
    "  HourGlass   milliseconds between two checks of a busy target (1000)\n"
    "  PasteWait   seconds the load waits for the target to take a paste before it\n"
    "              stops with an error naming the row and cell; 0 waits for as long\n"
    "              as it takes (30)\n"
    "A command's own extra delay is a line NAME=seconds in the same section.\n"
    "A load stops on Esc, SIGINT, SIGTERM, SIGHUP or SIGQUIT (exit status 128 +\n"
    "the signal), letting go of every key and button it holds. A load that stopped\n"
    "inside a row says how to resume it: --rows R-B --from-cell C starts row R at\n"
    "column C, so nothing of it is sent twice.\n";

// The progress window of the command line: one line on a terminal's stderr,
// rewritten after every row, gone when the load ends (only where someone
// watches the terminal). A wait for held modifier keys is told on stderr in
// any case: a load that seems stuck says why.
class TerminalProgress : public LoadObserver {
 public:
  explicit TerminalProgress(bool show_rows) : show_rows_(show_rows) {}
  void RowProgress(int percent, int rows_loaded) override {
    if (!show_rows_) return;
    std::cerr << "\rLoading: " << percent << "% (" << rows_loaded << " rows)" << std::flush;
    shown_ = true;
  }
  void ProgressHidden() override {
    if (shown_) std::cerr << "\r\033[K" << std::flush;
    shown_ = false;
  }
  void WaitingForKeys(unsigned held) override {
    ProgressHidden();
    std::cerr << "Waiting for " << ModifierNames(held)
              << " to be released: nothing is sent while it is held (Esc cancels the load)."
              << std::endl;
  }
  // Why the load holds: on a terminal in place of the progress line until the
  // wait is over; elsewhere (a script's log) once per wait, on a line.
  void WaitNotice(const std::string& text) override {
    if (text.empty()) {
      if (notice_shown_) ProgressHidden();
      notice_shown_ = false;
      return;
    }
    if (show_rows_) {
      std::cerr << "\r" << text << "\033[K" << std::flush;
      shown_ = true;
    } else {
      std::cerr << text << std::endl;
    }
    notice_shown_ = true;
  }

 private:
  bool show_rows_;
  bool shown_ = false;
  bool notice_shown_ = false;
};

struct UsageError {
  std::string text;
};

// SIGINT, SIGTERM, SIGHUP and SIGQUIT during a load: the load stops between two keys,
// lets go of every key and button it holds, and the program exits with 128 +
// the signal's number. The handler only stores to lock-free atomics.
#if defined(_WIN32)
std::atomic<Platform*> g_stoppable{nullptr};
volatile std::sig_atomic_t g_stop_signal = 0;
static_assert(std::atomic<Platform*>::is_always_lock_free);

void StopFromConsole(int signal_number) {
  g_stop_signal = signal_number;
  if (Platform* platform = g_stoppable.load()) platform->RequestStop();
}

// The console's Ctrl+C and Ctrl+Break count as SIGINT, a closed console (or
// logoff, shutdown) as SIGHUP: the same stop, release and exit codes.
std::atomic<HANDLE> g_load_done{nullptr};

BOOL WINAPI OnConsoleStop(DWORD event) {
  const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  StopFromConsole(interrupt ? 2 : 1);
  // Windows ends the process as soon as this returns from a close event: hold
  // it until the load has let go of its keys (the system allows a few seconds).
  if (!interrupt) {
    if (HANDLE done = g_load_done.load()) WaitForSingleObject(done, 4000);
  }
  return TRUE;
}

class StopOnSignals {
 public:
  explicit StopOnSignals(Platform& platform) {
    g_stoppable.store(&platform);
    g_load_done.store(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SetConsoleCtrlHandler(&OnConsoleStop, TRUE);
    InstallCrashRelease(platform);
  }
  ~StopOnSignals() {
    if (HANDLE done = g_load_done.load()) SetEvent(done);
    SetConsoleCtrlHandler(&OnConsoleStop, FALSE);
    UninstallCrashRelease();
    g_stoppable.store(nullptr);
  }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

  static int ExitCode() {
    if (g_stop_signal == 0) return 0;
    std::cerr << "typelane-cli: stopped by "
              << (g_stop_signal == 2 ? "Ctrl+C" : "the console closing")
              << "; every key and button the load held was released." << std::endl;
    return 128 + static_cast<int>(g_stop_signal);
  }
};
#else
// The signal plumbing both programs share: stop signals ask the load to stop
// (it lets go of its keys on the way out), a crash lets go of them and then
// crashes on.
class StopOnSignals {
 public:
  explicit StopOnSignals(Platform& platform) : signals_(platform) { InstallCrashRelease(platform); }
  ~StopOnSignals() { UninstallCrashRelease(); }
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;

  // 128 + the signal that stopped the load; 0 when none came.
  static int ExitCode() {
    const int signal_number = StopSignals::Received();
    if (signal_number == 0) return 0;
    std::cerr << "typelane-cli: stopped by signal " << signal_number
              << "; every key and button the load held was released." << std::endl;
    return 128 + signal_number;
  }

 private:
  StopSignals signals_;
};

#endif

// Esc is the user's way to stop a load: say so when it cannot work.
void WarnIfEscapeUnwatched(const Platform& platform) {
  const std::string warning = EscapeWarning(platform);
  if (!warning.empty()) std::cerr << kTitleWarning << ": " << warning << std::endl;
}

std::string ExecutablePath(const char* argv0) {
#if defined(_WIN32)
  if (std::string self = win32::ExecutablePathUtf8(); !self.empty()) return self;
#endif
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.string();
  return argv0 ? argv0 : "";
}

// Option defaults and recent files, where the window keeps them too.
#if defined(TYPELANE_HAVE_WIN32)
using UserSettings = win32::RegistrySettingsStore;  // HKEY_CURRENT_USER
#else
// The sign-on password goes to the desktop's secret store; where none can be
// reached it stays in the settings file, and stderr says so once.
struct UserSettings : IniSettingsStore {
  UserSettings()
      : IniSettingsStore(IniSettingsStore::DefaultPath()), secrets(OpenDesktopSecrets()) {
    KeepSecretsIn(secrets.get(),
                  [](const std::string& text) { CliPrompter(std::cerr).Warning(text); });
  }
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
bool OpenSheet(Document& doc, const std::string& path) {
  if (const std::string backup = InterruptedSaveBackup(path); !backup.empty()) {
    std::cerr << kTitleError << ": An earlier save of \"" << path
              << "\" was interrupted. A backup of the file as it was before that save is kept in \""
              << backup << "\". Open the sheet in Typelane to choose between the two." << std::endl;
    return false;
  }
  return doc.OpenFile(path);
}

std::unique_ptr<Platform> MakePlatform(bool dry_run, std::string& error,
                                       TraceSink* sink = nullptr) {
  if (dry_run) {
    auto recording = std::make_unique<RecordingPlatform>();
    // The trace goes out as it happens and is not kept: a dry run of any
    // length runs in the same memory.
    static StreamTraceSink trace(std::cout);
    recording->SetTraceSink(sink ? sink : &trace);
    // Scripts that test their sheets can stage what a real desktop would do:
    // Esc pressed at the nth check, and the windows that exist ("A|B|C").
    if (const char* esc = std::getenv("TYPELANE_DRY_RUN_ESC")) {
      if (auto n = TryStrToInt(esc); n && *n > 0) recording->PressEscAtCheck(*n);
    }
    // The modifier keys held at each check, as ModifierBits: "2,2,0" holds
    // Ctrl for the first two checks.
    if (const char* held = std::getenv("TYPELANE_DRY_RUN_MODIFIERS")) {
      std::vector<unsigned> sequence;
      for (const std::string& item : SplitWords(held, ',')) {
        if (auto n = TryStrToInt(item); n && *n >= 0) sequence.push_back(static_cast<unsigned>(*n));
      }
      recording->SetHeldModifierSequence(std::move(sequence));
    }
    if (const char* titles = std::getenv("TYPELANE_DRY_RUN_WINDOWS")) {
      std::vector<WindowInfo> windows;
      WindowHandle handle = 100;
      std::string_view rest = titles;
      while (true) {
        size_t bar = rest.find('|');
        windows.push_back(WindowInfo{handle++, std::string(rest.substr(0, bar)), true, false});
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
      }
      recording->UseWindowList(std::move(windows));
    }
    return recording;
  }
#if defined(TYPELANE_HAVE_X11)
  auto platform = CreateX11Platform(&error);
  if (platform) return platform;
  return nullptr;
#elif defined(TYPELANE_HAVE_WIN32)
  return win32::CreateWin32Platform(&error);
#else
  error = "No real desktop backend is available in this build; use --dry-run.";
  return nullptr;
#endif
}

// "A-B" or "A": a range of whole numbers from 1.
std::pair<int, int> ParseRange(const std::string& text, const char* what) {
  auto dash = text.find('-');
  auto first = TryStrToInt(text.substr(0, dash));
  auto last = dash == std::string::npos ? first : TryStrToInt(text.substr(dash + 1));
  if (!first || !last || *first < 1 || *last < *first) {
    throw UsageError{std::string(what) + " must be A-B with 1 <= A <= B, not \"" + text + "\""};
  }
  return {*first, *last};
}

int RunSend(const std::vector<std::string>& args, const std::string& folder) {
  bool dry_run = false;
  bool readable = false;
  std::optional<std::string> window, group, log_path;
  std::optional<std::pair<int, int>> rows, cols;
  int from_cell = 0;
  std::string sheet_path;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
      return args[++i];
    };
    if (a == "--dry-run") {
      dry_run = true;
    } else if (a == "--readable") {
      readable = true;
    } else if (a == "--log") {
      log_path = value();
    } else if (a == "--window") {
      window = value();
    } else if (a == "--group") {
      group = value();
    } else if (a == "--rows") {
      rows = ParseRange(value(), "--rows");
    } else if (a == "--cols") {
      cols = ParseRange(value(), "--cols");
    } else if (a == "--from-cell") {
      const std::string& text = value();
      const auto col = TryStrToInt(text);
      if (!col || *col < 1)
        throw UsageError{"--from-cell must be a column from 1, not \"" + text + "\""};
      from_cell = *col;
    } else if (a.starts_with("--") || !sheet_path.empty()) {
      throw UsageError{"unexpected argument \"" + a + "\""};
    } else {
      sheet_path = a;
    }
  }
  if (sheet_path.empty()) throw UsageError{"send needs a SHEET"};
  if (readable && !dry_run) throw UsageError{"--readable goes with --dry-run"};

  Session session(folder);
  Document& doc = session.document;
  if (!OpenSheet(doc, sheet_path)) return kExitError;
  // The window would still load a sheet that was read only in part; a script
  // is better served by not loading it at all. A missing commands.dat is only
  // told: the sheet's own commands, or none, still make a whole load.
  if (doc.PartlyRead()) {
    std::cerr << "Nothing was loaded: the sheet could not be read completely." << std::endl;
    return kExitError;
  }
  if (doc.Kind() == DocumentKind::kPlayback) {
    std::cerr << kTitleError << ": \"" << sheet_path
              << "\" is a recorded playback file; convert it to a sheet file first "
                 "(typelane-cli convert)."
              << std::endl;
    return kExitError;
  }
  if (group) {
    const auto groups = doc.GroupItems();
    if (std::find(groups.begin(), groups.end(), *group) == groups.end()) {
      std::string known;
      for (const auto& g : groups) known += (known.empty() ? "" : ", ") + ("\"" + g + "\"");
      throw UsageError{"the sheet has no command group \"" + *group + "\"" +
                       (known.empty() ? std::string(" (it has none)") : "; its groups: " + known)};
    }
  }

  // A dry run told as steps: the same trace, read for a person, each step out
  // as soon as it is known (nothing is kept, however long the load).
  StreamTraceSink step_lines(std::cout);
  ReadableTrace steps(step_lines);
  std::string platform_error;
  auto platform = MakePlatform(dry_run, platform_error, readable ? &steps : nullptr);
  if (!platform) {
    std::cerr << platform_error << std::endl;
    return kExitError;
  }

  // The log is made before anything is sent: a name that is taken (the sheet
  // itself, an earlier log, a link) or cannot be written stops the load before
  // it starts, and what has that name stays as it was.
  std::unique_ptr<LoadLog> log;
  if (log_path) {
    try {
      log = LoadLog::CreateAt(*log_path);
    } catch (const std::exception& e) {
      std::cerr << kTitleError << ": the load log cannot be written: " << e.what() << std::endl;
      return kExitError;
    }
  }

  SendChoice choice;
  choice.all_cells = !rows && !cols;
  choice.selection.top = rows ? rows->first : 1;
  choice.selection.bottom = rows ? rows->second : doc.sheet.LastRow();
  choice.selection.left = cols ? cols->first : 1;
  choice.selection.right = cols ? cols->second : doc.sheet.LastCol();
  choice.window_title = window;
  choice.group = group;
  SendRequest request = MakeSendRequest(doc, choice);
  request.start_col = from_cell;

  // Long loads show how far they are, where someone watches the terminal (a
  // dry run prints its trace instead).
  TerminalProgress progress(!dry_run && isatty(STDERR_FILENO));
  LoadObserver* observer = &progress;
  WarnIfEscapeUnwatched(*platform);
  StopOnSignals stop_on_signals(*platform);
  SendResult result = RunLoad(*platform, PrepareLoad(doc.sheet, doc.commands, doc.delays, request),
                              observer, log.get());
  // The progress line shares the terminal with the summary: it goes first.
  observer->ProgressHidden();
  if (readable) {
    steps.Finish();
    std::cout << "Total: " << FormatElapsed(steps.TotalMs()) << " (" << steps.TotalMs() << " ms)"
              << std::endl;
  }
  if (log && !log->Error().empty()) {
    std::cerr << kTitleWarning << ": the load log is incomplete: " << log->Error() << std::endl;
  }
  if (const int signalled = StopOnSignals::ExitCode()) return signalled;
  if (!result.found) {
    // The window's words point at its drop-down list; a script names the
    // window on the command line.
    std::cerr << result.title << ": The specified Window does not exist.\n"
              << "No window is titled \"" << request.window_title
              << "\" or has a title that begins with it. \"typelane-cli windows\" lists the "
                 "titles; --window TITLE names the window to load into."
              << std::endl;
    return kExitNotFound;
  }
  // Where a load that stopped inside a row goes on without sending a cell twice.
  std::string resume;
  if (result.resume_row > 0) {
    const int bottom = rows ? rows->second : doc.sheet.LastRow();
    resume = "To resume: --rows " + std::to_string(result.resume_row) + "-" +
             std::to_string(bottom) + " --from-cell " + std::to_string(result.resume_col);
    if (cols)
      resume += " --cols " + std::to_string(cols->first) + "-" + std::to_string(cols->second);
  }
  if (!result.error.empty()) {
    std::cerr << result.title << ": " << MessageLines(result.message) << std::endl;
    if (!resume.empty()) std::cerr << resume << std::endl;
    return kExitError;
  }
  std::cout << MessageLines(result.message) << std::endl;
  if (!resume.empty()) std::cout << resume << std::endl;
  return result.cancelled ? kExitCancelled : kExitOk;
}

int RunKeys(const std::vector<std::string>& args, const std::string& folder) {
  bool dry_run = false;
  std::optional<std::string> text;
  for (const auto& a : args) {
    if (a == "--dry-run" && !text) {
      dry_run = true;
    } else if (!text) {
      text = a;
    } else {
      throw UsageError{"keys takes one TEXT (quote it)"};
    }
  }
  if (!text) throw UsageError{"keys needs a TEXT"};

  Session session(folder);
  Document& doc = session.document;
  doc.LoadCommands({});
  doc.delays.SyncCommandDelays(doc.commands);

  std::string platform_error;
  auto platform = MakePlatform(dry_run, platform_error);
  if (!platform) {
    std::cerr << platform_error << std::endl;
    return kExitError;
  }
  StopOnSignals stop_on_signals(*platform);
  try {
    GuardedPlatform guard(*platform);
    if (!PlayBuiltInCommand(guard, doc.delays, *text)) TypeKeystrokes(guard, doc.delays, *text);
  } catch (const std::exception& e) {
    if (const int signalled = StopOnSignals::ExitCode()) return signalled;
    std::cerr << kTitleError << ": " << e.what() << std::endl;
    return kExitError;
  }
  if (const int signalled = StopOnSignals::ExitCode()) return signalled;
  return kExitOk;
}

int RunWindows(const std::vector<std::string>& args) {
  if (!args.empty()) throw UsageError{"windows takes no arguments"};
  std::string platform_error;
  auto platform = MakePlatform(false, platform_error);
  if (!platform) {
    std::cerr << platform_error << std::endl;
    return kExitError;
  }
  for (const auto& title : ListWindowTitles(*platform, kCaptionBase)) std::cout << title << "\n";
  return kExitOk;
}

// The document kind a file name asks for when writing.
DocumentKind KindForOutput(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".tyl") return DocumentKind::kSheetFile;
  if (ext == ".fpb") return DocumentKind::kPlayback;
  return DocumentKind::kTabDelimited;
}

// A sheet read only in part would be written without what the reader never
// reached (options, widths, comments, commands, the rest of the rows): a script
// gets a failure and its output stays as it was.
bool ReadCompletely(const Document& doc) {
  if (!doc.PartlyRead()) return true;
  std::cerr << "Nothing was written: \"" << doc.FileName() << "\" could not be read completely."
            << std::endl;
  return false;
}

int SaveAs(Session& session, const std::string& out_path) {
  Document& doc = session.document;
  DocumentKind kind = KindForOutput(out_path);
  if (kind == DocumentKind::kPlayback && doc.Kind() != DocumentKind::kPlayback) {
    std::cerr << kTitleError
              << ": A playback file can only be written from a converted recording (.fpb)."
              << std::endl;
    return kExitError;
  }
  session.prompter.save_choice = FileChoice{out_path, static_cast<int>(kind)};
  const int errors_before = session.prompter.errors_shown;
  if (!doc.SaveFile(true) || session.prompter.errors_shown != errors_before) return kExitError;
  return kExitOk;
}

int RunConvert(const std::vector<std::string>& args, const std::string& folder) {
  if (args.size() != 2) throw UsageError{"convert needs IN and OUT"};
  Session session(folder);
  if (!OpenSheet(session.document, args[0]) || !ReadCompletely(session.document)) {
    return kExitError;
  }
  return SaveAs(session, args[1]);
}

int RunPlayback(const std::vector<std::string>& args, const std::string& folder) {
  std::vector<std::string> plain;
  std::string out_path;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) throw UsageError{"-o needs a file name"};
      out_path = args[++i];
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 2 || out_path.empty()) {
    throw UsageError{"playback needs RECORDING.fpb DATA -o OUT.fpb"};
  }

  Session session(folder);
  Document& doc = session.document;
  if (!OpenSheet(doc, plain[0])) return kExitError;
  if (doc.Kind() != DocumentKind::kPlayback) {
    std::cerr << kTitleError << ": \"" << plain[0] << "\" is not a recorded playback file."
              << std::endl;
    return kExitError;
  }

  // The rows come from a document of their own, read by the usual open flow.
  CliPrompter data_prompter(std::cerr);
  MemorySettingsStore data_settings;
  Document data(data_prompter, data_settings, folder);
  if (!OpenSheet(data, plain[1]) || !ReadCompletely(data)) return kExitError;

  Sheet& sheet = doc.sheet;
  const int cols = sheet.LastCol();
  if (ReplaceRecordedRows(sheet, data.sheet) > 0) {
    std::cerr << kTitleWarning << ": " << plain[1] << " has " << data.sheet.LastCol()
              << " columns; the recording has " << cols << ". Columns after " << cols
              << " are left out." << std::endl;
  }

  // Drop-list columns take only values the recordings have shown. The window
  // clears a wrong cell for the user to type again; a script gets told which
  // cells are wrong and nothing is written.
  int invalid = 0;
  for (int r = 1; r <= sheet.LastRow(); ++r) {
    for (int c = 1; c <= cols; ++c) {
      if (DropListAllows(doc.forms, c, sheet.Cell(r, c))) continue;
      if (invalid++ == 0) {
        std::cerr << kTitleError
                  << ": One or more cells contained data that is not valid for the relevant "
                     "drop list."
                  << std::endl;
      }
      std::cerr << "  row " << r << ", column " << c << " (" << sheet.Cell(0, c) << "): \""
                << sheet.Cell(r, c) << "\"" << std::endl;
    }
  }
  if (invalid > 0) return kExitError;
  return SaveAs(session, out_path);
}

int Run(int argc, char** argv) {
  const std::string folder = ProgramFolderFromPath(ExecutablePath(argc > 0 ? argv[0] : nullptr));
  if (argc < 2) throw UsageError{"no subcommand"};
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "send") return RunSend(args, folder);
  if (command == "keys") return RunKeys(args, folder);
  if (command == "windows") return RunWindows(args);
  if (command == "convert") return RunConvert(args, folder);
  if (command == "playback") return RunPlayback(args, folder);
  if (command == "--version") {
    std::cout << "typelane-cli " << TYPELANE_VERSION << "\n";
    return kExitOk;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return kExitOk;
  }
  throw UsageError{"unknown subcommand \"" + command + "\""};
}

}  // namespace
}  // namespace typelane::cli

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The arguments in UTF-8, so a file named in any language is found.
  std::vector<std::string> utf8_args = typelane::win32::CommandLineUtf8();
  std::vector<char*> utf8_argv;
  for (auto& a : utf8_args) utf8_argv.push_back(a.data());
  utf8_argv.push_back(nullptr);
  if (!utf8_args.empty()) {
    argc = static_cast<int>(utf8_args.size());
    argv = utf8_argv.data();
  }
#endif
  try {
    return typelane::cli::Run(argc, argv);
  } catch (const typelane::cli::UsageError& e) {
    std::cerr << "typelane-cli: " << e.text << "\n" << typelane::cli::kUsage;
    return typelane::cli::kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "Typelane Error: " << e.what() << std::endl;
    return typelane::cli::kExitError;
  }
}
