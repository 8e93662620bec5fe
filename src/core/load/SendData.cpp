#include "core/load/SendData.h"

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/load/DelaySettings.h"
#include "core/load/GuardedPlatform.h"
#include "core/load/HeldKeys.h"
#include "core/load/LoadDriver.h"
#include "core/load/LoadJournal.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

constexpr const char* kInfoTitle = "Typelane";
constexpr const char* kErrorTitle = "Typelane Error";
constexpr const char* kNotFoundMessage =
    "The specified Window does not exist.\r"
    "Please select a valid Window name from the Window Name drop down list.";

constexpr const char* kEscapeWarning =
    "Esc cannot stop this load: the desktop does not let Typelane watch the keyboard "
    "(on X11 that needs XInput 2.1). Closing the target window stops the load.";

}  // namespace

std::string FormatElapsed(std::int64_t elapsed_ms) {
  if (elapsed_ms < 0) elapsed_ms = 0;
  const std::int64_t total_seconds = elapsed_ms / 1000;
  const std::int64_t hours = total_seconds / 3600;
  const std::int64_t minutes = total_seconds / 60 % 60;
  const std::int64_t seconds = total_seconds % 60;
  return std::to_string(hours) + ":" + std::to_string(minutes) + ":" + std::to_string(seconds);
}

std::string LoadSummary(bool cancelled, int rows, std::int64_t elapsed_ms, std::string_view where) {
  std::string text =
      cancelled ? "Data loading terminated at user request:" : "Typelane completed successfully:";
  text += "\r\rRows:\t" + std::to_string(rows);
  text += "\rTime:\t" + FormatElapsed(elapsed_ms);
  if (cancelled && !where.empty()) {
    text += "\rStopped ";
    text += where;
    text += ".";
  }
  return text;
}

std::string EscapeWarning(const Platform& platform) {
  return platform.CanWatchEscape() ? std::string() : std::string(kEscapeWarning);
}

LoadJob PrepareLoad(const Sheet& sheet, const CommandTable& commands, const DelaySettings& delays,
                    const SendRequest& request) {
  LoadJob job{request,
              request.all_cells ? WholeExtent(sheet) : ClipToExtent(sheet, request.selection),
              Sheet(), commands, delays};
  const CellRect& range = job.range;
  if (!range.Empty()) {
    // Columns before the range stay empty; only the range's bytes are copied.
    std::vector<std::string_view> cells(static_cast<size_t>(range.right));
    job.cells.ReserveRows(range.bottom + 1);
    for (int row = range.top; row <= range.bottom; ++row) {
      if (range.left == 1 && sheet.StoredCols(row) <= range.right + 1) {
        // Nothing in the row lies outside the range: its buffer is copied whole.
        job.cells.CopyRowFrom(sheet, row);
        continue;
      }
      for (int col = range.left; col <= range.right; ++col) {
        cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
      }
      job.cells.SetRowCells(row, cells);
    }
    job.cells.RaiseExtent(range.bottom, range.right);
  }
  return job;
}

SendResult RunLoad(Platform& platform, const LoadJob& job, LoadObserver* observer,
                   LoadJournal* journal, FieldReader* fields) {
  const SendRequest& request = job.request;
  const CellRect& range = job.range;
  LoadObserver* progress = request.progress_bar ? observer : nullptr;
  SendResult result;
  bool failed = false;
  int rows = 0;
  // A monotonic clock, so a load that runs past midnight still reports right.
  std::int64_t started = 0;
  WindowHandle previous = 0;
  bool activated = false;
  // Where the load ended, for a stop or an error that does not say it itself.
  std::string where;
  try {
    if (progress) progress->ProgressShown();
    started = platform.NowMs();
    previous = platform.GetForegroundWindow();
    GuardedPlatform guard(platform);
    // A modifier the user still holds (the Ctrl of a shortcut, say) would join
    // every key of the load: it starts once they are all let go.
    guard.BeginEscapeWatch();
    const KeyWait wait = WaitForReleasedModifiers(guard, observer);
    if (wait != KeyWait::kReleased) {
      result.found = true;
      (wait == KeyWait::kEscape ? result.cancelled : result.stopped) = true;
      result.title = kInfoTitle;
      result.elapsed_ms = platform.NowMs() - started;
      result.message = LoadSummary(true, 0, result.elapsed_ms);
      return result;
    }
    activated = true;
    result.found = ActivateWindowByTitle(guard, request.window_title);
    guard.Sleep(SecondsToMs(job.delays.form_delay));
    if (!result.found) {
      result.stopped = platform.StopRequested();
      result.title = kErrorTitle;
      result.message = kNotFoundMessage;
      return result;
    }
    LoadContext context{guard,
                        job.cells,
                        job.commands,
                        job.delays,
                        request.group,
                        request.auto_tab,
                        request.hour_glass,
                        progress,
                        guard.ActiveTarget(),
                        guard.ActiveTargetTitle(),
                        journal,
                        observer,
                        request.verify_paste,
                        fields};
    if (journal) journal->LoadStarted(platform.NowMs());
    if (journal && request.start_col > range.left && !range.Empty()) {
      journal->LoadNote(platform.NowMs(), "resumed at row " + std::to_string(range.top) +
                                              ", cell " + std::to_string(request.start_col));
    }
    LoadDriver driver(std::move(context));
    try {
      const LoadOutcome outcome =
          driver.LoadRange(range.top, range.bottom, range.left, range.right, request.start_col);
      result.cancelled = outcome.cancelled;
      result.stopped = outcome.stopped;
      result.completed = !outcome.cancelled && !outcome.stopped;
      result.resume_row = outcome.resume_row;
      result.resume_col = outcome.resume_col;
      where = driver.Where();
    } catch (const LoadError&) {
      rows = driver.RowsLoaded();
      result.resume_row = driver.ResumeRow();
      result.resume_col = driver.ResumeCol();
      throw;
    } catch (...) {
      rows = driver.RowsLoaded();
      result.resume_row = driver.ResumeRow();
      result.resume_col = driver.ResumeCol();
      where = driver.Where();
      throw;
    }
    rows = driver.RowsLoaded();
  } catch (const std::exception& e) {
    failed = true;
    result.error = e.what();
  } catch (...) {
    failed = true;
    result.error = "The load failed with an unknown error.";
  }
  result.rows = rows;
  // The user's window comes back after an error too: the target keeps no
  // claim on the keyboard once nothing more is sent to it. A stop request
  // sends nothing more at all.
  try {
    if (activated && !platform.StopRequested()) platform.SetForegroundWindow(previous);
    result.elapsed_ms = platform.NowMs() - started;
  } catch (const std::exception& e) {
    if (!failed) result.error = e.what();
    failed = true;
  } catch (...) {
  }

  if (failed) {
    result.title = kErrorTitle;
    result.message = result.error;
    if (!where.empty()) result.message += "\rThe load stopped " + where + ".";
  } else {
    result.title = kInfoTitle;
    result.message =
        LoadSummary(result.cancelled || result.stopped, result.rows, result.elapsed_ms, where);
  }
  return result;
}

SendResult SendData(Platform& platform, const Sheet& sheet, const CommandTable& commands,
                    const DelaySettings& delays, const SendRequest& request, LoadObserver* observer,
                    LoadJournal* journal, FieldReader* fields) {
  LoadJob job;
  try {
    job = PrepareLoad(sheet, commands, delays, request);
  } catch (const std::exception& e) {
    // Copying a huge sheet can run out of memory: the load never started.
    SendResult result;
    result.title = kErrorTitle;
    result.error = result.message = e.what();
    result.found = true;
    return result;
  }
  return RunLoad(platform, job, observer, journal, fields);
}

}  // namespace typelane
