// typelane-cli: loads and conversions from scripts.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "CliCommon.h"
#include "core/files/ProgramFolder.h"
#if defined(TYPELANE_HAVE_WIN32)
#include "platform/win32/Win32Text.h"
#endif

namespace typelane::cli {

const char* const kExitCodesHelp =
    "exit status:\n"
    "  0    done\n"
    "  1    an error (a file that cannot be read or written, a load that failed)\n"
    "  2    bad usage\n"
    "  3    the load was stopped with Esc\n"
    "  4    the target window was not found\n"
    "  128+N  stopped by signal N (130 Ctrl+C, 143 SIGTERM)\n";

namespace {

const char* const kSendDetails =
    "  --dry-run        send nothing: print every step the load would take\n"
    "  --readable       with --dry-run, the steps in words, with their times\n"
    "  --log FILE       a line per row: when it started, cells sent, outcome\n"
    "                   (FILE must not exist yet)\n"
    "  --window TITLE   the window to load into (or the start of its title)\n"
    "  --group NAME     the sheet's command group to use\n"
    "  --rows A-B       only these rows\n"
    "  --cols A-B       only these columns\n"
    "  --from-cell C    start the first row at column C\n"
    "  --verify         read every pasted value back from the target's field before\n"
    "                   the Tab (through the accessibility bus); a field that holds\n"
    "                   something else stops the load, naming the row, the cell and\n"
    "                   both values (as the sheet's VerifyPaste=true does)\n"
    "  -q, --quiet      no progress line, no summary when the load is done\n"
    "SHEET - reads the sheet from standard input.\n";

const char* const kSendDelays =
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
    "  VerifyWait  seconds a verified load gives the target's field to show a pasted\n"
    "              value (0.5)\n"
    "A command's own extra delay is a line NAME=seconds in the same section.\n"
    "A load stops on Esc, SIGINT, SIGTERM, SIGHUP or SIGQUIT (exit status 128 +\n"
    "the signal), letting go of every key and button it holds. A load that stopped\n"
    "inside a row says how to resume it: --rows R-B --from-cell C starts row R at\n"
    "column C, so nothing of it is sent twice.\n";

const Command kCommands[] = {
    {"send",
     "typelane-cli send [--dry-run [--readable]] [--log FILE] [--window TITLE] [--group NAME]\n"
     "                  [--rows A-B] [--cols A-B] [--from-cell C] [--verify] [--quiet] SHEET\n",
     "enter a sheet's rows into the target window", kSendDetails, &RunSend, kSendDelays},
    {"keys", "typelane-cli keys [--dry-run] [--] TEXT\n",
     "type keystrokes or a built-in command into the window that has the focus",
     "  --dry-run        send nothing: print every step\n"
     "A TEXT that begins with - follows --.\n",
     &RunKeys, nullptr},
    {"windows", "typelane-cli windows\n", "list the titles of the windows a load can go to",
     "The titles, front-most first, one a line.\n", &RunWindows, nullptr},
    {"convert", "typelane-cli convert [--quiet] IN OUT\n",
     "convert between sheet files (.tyl), tab-delimited text and recordings (.fpb)",
     "  -q, --quiet      no progress line\n"
     "OUT's extension chooses what is written: .tyl a sheet file, .fpb a playback\n"
     "file (from a recording only), anything else tab-delimited text.\n"
     "IN - reads standard input; OUT - writes tab-delimited text to standard output.\n",
     &RunConvert, nullptr},
    {"playback", "typelane-cli playback [--quiet] RECORDING.fpb DATA -o OUT.fpb\n",
     "make a playback file that enters every row of DATA as the recording did",
     "  -o, --output FILE  the playback file to write (- for standard output)\n"
     "  -q, --quiet        accepted for scripts; playback shows no progress\n"
     "RECORDING or DATA - reads standard input.\n",
     &RunPlayback, nullptr},
};

const char* const kGeneralHelp =
    "  typelane-cli help [COMMAND]\n"
    "  typelane-cli --version\n"
    "\n"
    "Options take their value as --opt VALUE or --opt=VALUE; -- ends the options.\n"
    "A file named - is standard input or output.\n";

void PrintUsage(std::ostream& out) {
  out << "usage:\n";
  for (const auto& command : kCommands) out << "  " << command.usage;
  out << kGeneralHelp;
}

void PrintHelp() {
  PrintUsage(std::cout);
  std::cout << "\ncommands:\n";
  for (const auto& command : kCommands) {
    std::cout << "  " << command.name << std::string(10 - std::string(command.name).size(), ' ')
              << command.summary << "\n";
  }
  std::cout << "\"typelane-cli help COMMAND\" tells more.\n\n"
            << kSendDelays << "\n"
            << kExitCodesHelp;
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

int Run(int argc, char** argv) {
  const std::string folder = ProgramFolderFromPath(ExecutablePath(argc > 0 ? argv[0] : nullptr));
  if (argc < 2) throw UsageError{"no command", ""};
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (const Command* found = FindCommand(command)) return found->run(args, folder);
  if (command == "--version") {
    std::cout << "typelane-cli " << TYPELANE_VERSION << "\n";
    return kExitOk;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    if (args.empty()) {
      PrintHelp();
      return kExitOk;
    }
    const Command* about = args.size() == 1 ? FindCommand(args[0]) : nullptr;
    if (!about) throw UsageError{"help takes one of the commands, not \"" + args[0] + "\"", ""};
    PrintCommandHelp(*about);
    return kExitOk;
  }
  throw UsageError{"unknown command \"" + command + "\"", ""};
}

}  // namespace

std::span<const Command> Commands() { return kCommands; }

const Command* FindCommand(std::string_view name) {
  for (const auto& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

void PrintCommandHelp(const Command& command) {
  std::cout << "usage: " << command.usage << "\n"
            << command.summary << ".\n\n"
            << command.details << "\n";
  if (command.notes) std::cout << command.notes << "\n";
  std::cout << kExitCodesHelp;
}

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
  using namespace typelane::cli;
  try {
    return Run(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << kErrorPrefix << e.text << "\n";
    if (const Command* command = FindCommand(e.command)) {
      std::cerr << "usage: " << command->usage << "\"typelane-cli help " << command->name
                << "\" tells more.\n";
    } else {
      PrintUsage(std::cerr);
    }
    return kExitUsage;
  } catch (const std::exception& e) {
    PrintError(e.what());
    return kExitError;
  }
}
