// send: a sheet's rows into the target window.

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "CliCommon.h"
#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/document/MakeSendRequest.h"
#include "core/files/LoadLog.h"
#include "core/load/SendData.h"
#include "platform/fields/DesktopFieldReader.h"
#include "platform/recording/BlockTraceSink.h"
#include "platform/recording/ReadableTrace.h"

namespace typelane::cli {
namespace {

// "A-B" or "A": a range of whole numbers from 1.
std::pair<int, int> ParseRange(const std::string& text, const char* what) {
  auto dash = text.find('-');
  auto first = TryStrToInt(text.substr(0, dash));
  auto last = dash == std::string::npos ? first : TryStrToInt(text.substr(dash + 1));
  if (!first || !last || *first < 1 || *last < *first) {
    throw UsageError{std::string(what) + " must be A-B with 1 <= A <= B, not \"" + text + "\"",
                     "send"};
  }
  return {*first, *last};
}

constexpr OptionRule kSendOptions[] = {
    {"dry-run", false},    {"readable", false}, {"log", true},  {"window", true},
    {"group", true},       {"rows", true},      {"cols", true}, {"from-cell", true},
    {"quiet", false, 'q'}, {"verify", false},
};

}  // namespace

int RunSend(const std::vector<std::string>& args, const std::string& folder) {
  const ParsedArgs parsed = ParseArgs("send", args, kSendOptions);
  if (parsed.help) {
    PrintCommandHelp(*FindCommand("send"));
    return kExitOk;
  }
  const bool dry_run = parsed.Has("dry-run");
  const bool readable = parsed.Has("readable");
  const bool quiet = parsed.Has("quiet");
  const std::optional<std::string> window = parsed.Last("window");
  const std::optional<std::string> group = parsed.Last("group");
  const std::optional<std::string> log_path = parsed.Last("log");
  std::optional<std::pair<int, int>> rows, cols;
  if (auto text = parsed.Last("rows")) rows = ParseRange(*text, "--rows");
  if (auto text = parsed.Last("cols")) cols = ParseRange(*text, "--cols");
  int from_cell = 0;
  if (auto text = parsed.Last("from-cell")) {
    const auto col = TryStrToInt(*text);
    if (!col || *col < 1)
      throw UsageError{"--from-cell must be a column from 1, not \"" + *text + "\"", "send"};
    from_cell = *col;
  }
  if (parsed.operands.empty()) throw UsageError{"send needs a SHEET", "send"};
  if (parsed.operands.size() > 1)
    throw UsageError{"unexpected argument \"" + parsed.operands[1] + "\"", "send"};
  if (readable && !dry_run) throw UsageError{"--readable goes with --dry-run", "send"};
  // The standard output carries the load's own lines (the dry run's steps, the
  // summary): a log among them could not be told apart.
  if (log_path && IsStandardStream(*log_path))
    throw UsageError{"--log needs a file name: the standard output has the load's own lines",
                     "send"};
  const InputPath sheet(parsed.operands[0]);
  const std::string& sheet_path = sheet.Path();

  Session session(folder);
  Document& doc = session.document;
  if (!OpenSheet(doc, sheet_path)) return kExitError;
  // The window would still load a sheet that was read only in part; a script
  // is better served by not loading it at all. A missing commands.dat is only
  // told: the sheet's own commands, or none, still make a whole load.
  if (doc.PartlyRead()) {
    PrintError("nothing was loaded: the sheet could not be read completely.");
    return kExitError;
  }
  if (doc.Kind() == DocumentKind::kPlayback) {
    PrintError("\"" + sheet_path +
               "\" is a recorded playback file; convert it to a sheet file first "
               "(typelane-cli convert).");
    return kExitError;
  }
  if (group) {
    const auto groups = doc.GroupItems();
    if (std::find(groups.begin(), groups.end(), *group) == groups.end()) {
      std::string known;
      for (const auto& g : groups) known += (known.empty() ? "" : ", ") + ("\"" + g + "\"");
      throw UsageError{
          "the sheet has no command group \"" + *group + "\"" +
              (known.empty() ? std::string(" (it has none)") : "; its groups: " + known),
          "send"};
    }
  }

  // A dry run told as steps: the same trace, read for a person, each step out
  // as soon as it is known (nothing is kept, however long the load).
  BlockTraceSink step_lines(std::cout);
  ReadableTrace steps(step_lines);
  std::string platform_error;
  auto platform = MakePlatform(dry_run, platform_error, readable ? &steps : nullptr);
  if (!platform) {
    PrintError(platform_error);
    return kExitError;
  }

  // The log is made before anything is sent: a name that is taken (the sheet
  // itself, an earlier log, a link) or cannot be written stops the load before
  // it starts, and what has that name stays as it was.
  // --verify, or the sheet's own VerifyPaste option.
  const bool verify = parsed.Has("verify") || doc.options.verify_paste;
  std::unique_ptr<LoadLog> log;
  if (log_path) {
    try {
      log = LoadLog::CreateAt(*log_path, verify);
    } catch (const std::exception& e) {
      PrintError(std::string("the load log cannot be written: ") + e.what());
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
  request.verify_paste = verify;

  // The accessibility client starts only for a load that verifies, and never
  // for a dry run (there is no target to read). A bus that is switched off is
  // not switched on behind the user's back: they are told how, and the load
  // goes on (without verifying, if the target cannot be read so).
  std::unique_ptr<FieldReader> fields;
  if (verify && !dry_run) {
    fields = MakeDesktopFieldReader();
    if (fields && DesktopAccessibility() == Accessibility::kOff) {
      PrintWarning(
          "the accessibility bus is switched off, so programs may not show their fields to "
          "--verify. To switch it on for this session: " +
          HowToSwitchOnAccessibility());
    }
  }

  // Long loads show how far they are, where someone watches the terminal (a
  // dry run prints its trace instead; --quiet asks for no progress).
  TerminalProgress progress(!dry_run && !quiet && isatty(STDERR_FILENO));
  LoadObserver* observer = &progress;
  WarnIfEscapeUnwatched(*platform);
  StopOnSignals stop_on_signals(*platform);
  SendResult result = RunLoad(*platform, PrepareLoad(doc.sheet, doc.commands, doc.delays, request),
                              observer, log.get(), fields.get());
  // The trace is out before anything else is said.
  if (dry_run) DryRunTrace().Flush();
  // The progress line shares the terminal with the summary: it goes first.
  observer->ProgressHidden();
  if (readable) {
    steps.Finish();
    step_lines.Flush();
    std::cout << "Total: " << FormatElapsed(steps.TotalMs()) << " (" << steps.TotalMs() << " ms)"
              << std::endl;
  }
  if (log && !log->Error().empty()) PrintWarning("the load log is incomplete: " + log->Error());
  if (const int signalled = StopOnSignals::ExitCode()) return signalled;
  if (!result.found) {
    // The window points at its drop-down list; a script names the window on
    // the command line.
    std::cerr << kErrorPrefix << "no window is titled \"" << request.window_title
              << "\" or has a title that begins with it.\n"
                 "\"typelane-cli windows\" lists the titles; --window TITLE names the window to "
                 "load into."
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
    PrintError(MessageLines(result.message));
    if (!resume.empty()) std::cerr << resume << std::endl;
    return kExitError;
  }
  const int status = result.cancelled ? kExitCancelled : kExitOk;
  // A quiet load that did all it was asked says nothing; one that stopped
  // still says where and how to go on.
  if (quiet && status == kExitOk) return status;
  std::cout << MessageLines(result.message) << std::endl;
  if (!resume.empty()) std::cout << resume << std::endl;
  return status;
}

}  // namespace typelane::cli
