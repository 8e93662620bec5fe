#include "CliCommon.h"

#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/common/FileSystem.h"
#include "core/common/Numbers.h"
#include "core/load/LoadObserver.h"
#include "core/load/SendData.h"
#include "core/sheet/TextHelpers.h"
#include "platform/common/Signals.h"
#include "platform/recording/BlockTraceSink.h"
#include "platform/recording/RecordingPlatform.h"
#if defined(TYPELANE_HAVE_X11)
#include "platform/x11/X11Platform.h"
#endif
#if defined(TYPELANE_HAVE_WAYLAND)
#include "platform/wayland/WaylandPlatform.h"
#endif
#if defined(TYPELANE_HAVE_WIN32)
#include "platform/win32/Win32Platform.h"
#endif
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
// After our headers: windows.h renames VkKeyScan, a Platform method.
#include <windows.h>
#undef VkKeyScan
#endif

namespace typelane::cli {

bool ParsedArgs::Has(std::string_view name) const {
  for (const auto& [option, value] : options) {
    if (option == name) return true;
  }
  return false;
}

std::optional<std::string> ParsedArgs::Last(std::string_view name) const {
  std::optional<std::string> last;
  for (const auto& [option, value] : options) {
    if (option == name) last = value;
  }
  return last;
}

ParsedArgs ParseArgs(const std::string& command, const std::vector<std::string>& args,
                     std::span<const OptionRule> rules) {
  constexpr int kLongBase = 256;
  std::vector<option> longs;
  // ':' first: a missing value comes back as ':' rather than a message of getopt's own.
  std::string shorts = ":h";
  for (size_t i = 0; i < rules.size(); ++i) {
    longs.push_back(option{rules[i].name, rules[i].takes_value ? required_argument : no_argument,
                           nullptr, kLongBase + static_cast<int>(i)});
    if (rules[i].letter != 0) {
      shorts.push_back(rules[i].letter);
      if (rules[i].takes_value) shorts.push_back(':');
    }
  }
  longs.push_back(option{"help", no_argument, nullptr, 'h'});
  longs.push_back(option{nullptr, 0, nullptr, 0});

  std::vector<std::string> storage;
  storage.push_back("typelane-cli " + command);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(storage.size());

  auto spec_name = [&](int code) -> std::string {
    if (code >= kLongBase) return std::string("--") + rules[code - kLongBase].name;
    for (const auto& rule : rules) {
      if (rule.letter == code) return std::string("-") + rule.letter;
    }
    return std::string("-") + static_cast<char>(code);
  };

  ParsedArgs parsed;
  opterr = 0;
  optind = 0;  // a fresh scan (glibc and mingw-w64 both start over on 0)
  while (true) {
    const int code = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), nullptr);
    if (code == -1) break;
    if (code == 'h') {
      parsed.help = true;
    } else if (code == ':') {
      throw UsageError{spec_name(optopt) + " needs a value", command};
    } else if (code == '?') {
      if (optopt >= kLongBase) throw UsageError{spec_name(optopt) + " takes no value", command};
      std::string given = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                      : std::string(argv[optind - 1]);
      given = given.substr(0, given.find('='));
      throw UsageError{"unknown option \"" + given + "\"", command};
    } else {
      const size_t index = code >= kLongBase
                               ? static_cast<size_t>(code - kLongBase)
                               : static_cast<size_t>(std::find_if(rules.begin(), rules.end(),
                                                                  [&](const OptionRule& s) {
                                                                    return s.letter == code;
                                                                  }) -
                                                     rules.begin());
      parsed.options.emplace_back(rules[index].name,
                                  rules[index].takes_value && optarg ? optarg : "");
    }
  }
  for (int i = optind; i < argc; ++i) parsed.operands.push_back(argv[i]);
  return parsed;
}

void PrintError(const std::string& text) { std::cerr << kErrorPrefix << text << std::endl; }

void PrintWarning(const std::string& text) {
  std::cerr << kErrorPrefix << "warning: " << text << std::endl;
}

bool IsStandardStream(const std::string& path) { return path == "-"; }

InputPath::InputPath(const std::string& path) : path_(path) {
  if (!IsStandardStream(path)) return;
#if defined(_WIN32)
  // No device file names the standard input here: it is copied to a file of
  // its own first, which goes when the command is done.
  _setmode(_fileno(stdin), _O_BINARY);
  std::error_code ec;
  auto folder = std::filesystem::temp_directory_path(ec);
  temporary_ = (folder / ("typelane-stdin-" + std::to_string(GetCurrentProcessId()))).string();
  std::ofstream copy(temporary_, std::ios::binary);
  copy << std::cin.rdbuf();
  path_ = temporary_;
#else
  // Read as it comes, like any pipe: a sheet of any length in the same memory.
  path_ = "/dev/stdin";
#endif
}

InputPath::~InputPath() {
  if (temporary_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(temporary_, ec);
}

#if !defined(TYPELANE_HAVE_WIN32)
UserSettings::UserSettings()
    : IniSettingsStore(IniSettingsStore::DefaultPath()), secrets(OpenDesktopSecrets()) {
  KeepSecretsIn(secrets.get(), [](const std::string& text) { PrintWarning(text); });
}
#endif

bool OpenSheet(Document& doc, const std::string& path) {
  if (const std::string backup = InterruptedSaveBackup(path); !backup.empty()) {
    PrintError("An earlier save of \"" + path +
               "\" was interrupted. A backup of the file as it was before that save is kept in \"" +
               backup + "\". Open the sheet in Typelane to choose between the two.");
    return false;
  }
  return doc.OpenFile(path);
}

BlockTraceSink& DryRunTrace() {
  static BlockTraceSink trace(std::cout);
  return trace;
}

std::unique_ptr<Platform> MakePlatform(bool dry_run, std::string& error, TraceSink* sink) {
  if (dry_run) {
    auto recording = std::make_unique<RecordingPlatform>();
    // The trace goes out in blocks and is not kept: a dry run of any length
    // runs in the same memory.
    recording->SetTraceSink(sink ? sink : &DryRunTrace());
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
#if defined(TYPELANE_HAVE_X11) || defined(TYPELANE_HAVE_WAYLAND)
  // Wayland where a compositor runs and offers what a load needs; X11 where
  // only an X display is there, or where the compositor keeps its windows to
  // itself and an X display (XWayland) runs beside it. TYPELANE_BACKEND=x11 or
  // =wayland makes the choice.
  const std::string forced = std::getenv("TYPELANE_BACKEND") ? std::getenv("TYPELANE_BACKEND") : "";
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  std::string wayland_error;
#if defined(TYPELANE_HAVE_WAYLAND)
  bool lacks_protocols = false;
  if (forced != "x11" && (set("WAYLAND_DISPLAY") || forced == "wayland")) {
    auto platform = CreateWaylandPlatform(&wayland_error, &lacks_protocols);
    if (platform || forced == "wayland") {
      error = wayland_error;
      return platform;
    }
  }
#endif
#if defined(TYPELANE_HAVE_X11)
  if (forced != "wayland" && (set("DISPLAY") || wayland_error.empty())) {
    auto platform = CreateX11Platform(&error);
    // The X display is XWayland's: its programs are reachable, the others are
    // not even listed. Say so, or a missing window would puzzle.
    if (platform && !wayland_error.empty()) {
      PrintWarning(wayland_error + " Only programs that run under XWayland are reached now.");
    }
    if (platform || wayland_error.empty()) return platform;
  }
#endif
  error = wayland_error;
  return nullptr;
#elif defined(TYPELANE_HAVE_WIN32)
  return win32::CreateWin32Platform(&error);
#else
  error = "no real desktop backend is available in this build; use --dry-run.";
  return nullptr;
#endif
}

void WarnIfEscapeUnwatched(const Platform& platform) {
#if defined(TYPELANE_HAVE_WAYLAND)
  if (dynamic_cast<const WaylandPlatform*>(&platform)) {
    PrintWarning(kWaylandEscapeText);
    return;
  }
#endif
  const std::string warning = EscapeWarning(platform);
  if (!warning.empty()) PrintWarning(warning);
}

// SIGINT, SIGTERM, SIGHUP and SIGQUIT during a load: the load stops between two keys,
// lets go of every key and button it holds, and the program exits with 128 +
// the signal's number. The handler only stores to lock-free atomics.
#if defined(_WIN32)
namespace {
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
}  // namespace

StopOnSignals::StopOnSignals(Platform& platform) {
  g_stoppable.store(&platform);
  g_load_done.store(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  SetConsoleCtrlHandler(&OnConsoleStop, TRUE);
  InstallCrashRelease(platform);
}

StopOnSignals::~StopOnSignals() {
  if (HANDLE done = g_load_done.load()) SetEvent(done);
  SetConsoleCtrlHandler(&OnConsoleStop, FALSE);
  UninstallCrashRelease();
  g_stoppable.store(nullptr);
}

int StopOnSignals::ExitCode() {
  if (g_stop_signal == 0) return 0;
  std::cerr << kErrorPrefix << "stopped by "
            << (g_stop_signal == 2 ? "Ctrl+C" : "the console closing")
            << "; every key and button the load held was released." << std::endl;
  return 128 + static_cast<int>(g_stop_signal);
}
#else
StopOnSignals::StopOnSignals(Platform& platform)
    : signals_(std::make_unique<StopSignals>(platform)) {
  InstallCrashRelease(platform);
}

StopOnSignals::~StopOnSignals() { UninstallCrashRelease(); }

int StopOnSignals::ExitCode() {
  const int signal_number = StopSignals::Received();
  if (signal_number == 0) return 0;
  std::cerr << kErrorPrefix << "stopped by signal " << signal_number
            << "; every key and button the load held was released." << std::endl;
  return 128 + signal_number;
}
#endif

void TerminalProgress::RowProgress(int percent, int rows_loaded) {
  if (!show_rows_) return;
  std::cerr << "\rLoading: " << percent << "% (" << rows_loaded << " rows)" << std::flush;
  shown_ = true;
}

void TerminalProgress::Show(const std::string& text) {
  if (!show_rows_) return;
  std::cerr << "\r" << text << "\033[K" << std::flush;
  shown_ = true;
}

void TerminalProgress::ProgressHidden() {
  if (shown_) std::cerr << "\r\033[K" << std::flush;
  shown_ = false;
}

void TerminalProgress::WaitingForKeys(unsigned held) {
  ProgressHidden();
  std::cerr << "Waiting for " << ModifierNames(held)
            << " to be released: nothing is sent while it is held (Esc cancels the load)."
            << std::endl;
}

// A notice about the whole load: a line of its own on the standard error,
// quiet or not (a load without verification the user asked for is worth
// knowing of).
void TerminalProgress::LoadNotice(const std::string& text) {
  ProgressHidden();
  std::cerr << kErrorPrefix << "warning: " << text << std::endl;
}

// Why the load holds: on a terminal in place of the progress line until the
// wait is over; elsewhere (a script's log) once per wait, on a line.
void TerminalProgress::WaitNotice(const std::string& text) {
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

}  // namespace typelane::cli
