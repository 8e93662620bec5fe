#include "core/load/LoadDriver.h"

#include <cstdint>
#include <utility>

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/load/BuiltInCommands.h"
#include "core/load/CommandTable.h"
#include "core/load/DelaySettings.h"
#include "core/load/HeldKeys.h"
#include "core/load/Keystrokes.h"
#include "core/load/LoadJournal.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/sheet/CellKind.h"
#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

// The fixed pause before every cell, blank ones included.
constexpr std::int64_t kCellPauseMs = 50;

// done of total as a whole percentage, truncated. Integer arithmetic, so 57 of
// 100 is 57 and not the 56 a floating-point 0.57 * 100 would truncate to.
int Percent(int done, int total) {
  if (total <= 0) return 0;
  return static_cast<int>(static_cast<std::int64_t>(done) * 100 / total);
}

}  // namespace

LoadDriver::LoadDriver(LoadContext context)
    : context_(std::move(context)), platform_(context_.platform) {}

LoadOutcome LoadDriver::LoadRange(int first_row, int last_row, int first_col, int last_col) {
  Platform& platform = platform_;
  rows_loaded_ = 0;
  current_row_ = 0;
  LoadOutcome outcome;
  try {
    platform.BeginEscapeWatch();
    const int row_count = last_row - first_row + 1;
    const int col_count = last_col - first_col + 1;
    // A row counts once the load is past it, whatever its columns: a range
    // without columns loads its rows without sending anything.
    for (int row = first_row; row <= last_row && !outcome.stopped && !outcome.cancelled; ++row) {
      current_row_ = row;
      cells_sent_ = 0;
      if (context_.journal) context_.journal->RowStarted(row, platform.NowMs());
      int col = first_col;
      for (; col <= last_col; ++col) {
        if (platform.StopRequested()) {
          outcome.stopped = true;
          break;
        }
        if (platform.EscapePressed()) {
          outcome.cancelled = true;
          break;
        }
        // Between two cells the load holds no key: whatever modifier is down
        // now is the user's, and would join the next cell's keys.
        const KeyWait wait = WaitForReleasedModifiers(platform, context_.notices);
        if (wait != KeyWait::kReleased) {
          (wait == KeyWait::kEscape ? outcome.cancelled : outcome.stopped) = true;
          break;
        }
        platform.Sleep(kCellPauseMs);
        if (context_.hour_glass && !WaitWhileBusy()) {
          outcome.cancelled = true;
          break;
        }
        if (platform.StopRequested()) {
          outcome.stopped = true;
          break;
        }
        // Right before the cell goes out: the window may have closed during
        // the pause, and whatever came to the front must not get the cell.
        CheckTarget(row);
        PlayCell(context_.sheet.Cell(row, col));
        if (platform.StopRequested()) {
          // The stop came while the cell went out: the rest of it was never
          // sent, so neither it nor its row counts as played.
          outcome.stopped = true;
          break;
        }
        ++cells_sent_;
        if (context_.observer) {
          context_.observer->ColumnProgress(Percent(col - first_col + 1, col_count));
        }
      }
      if (outcome.stopped || outcome.cancelled) {
        EndRow(row, (outcome.cancelled ? "stopped by Esc at cell " : "interrupted at cell ") +
                        std::to_string(col));
        break;
      }
      ++rows_loaded_;
      EndRow(row, "loaded");
      if (context_.observer) {
        context_.observer->RowProgress(Percent(row - first_row + 1, row_count), rows_loaded_);
      }
    }
  } catch (const std::exception& e) {
    platform_.ReleaseHeldInput();
    EndRow(current_row_, e.what());
    throw;
  } catch (...) {
    platform_.ReleaseHeldInput();
    EndRow(current_row_, "The load failed with an unknown error.");
    throw;
  }
  platform_.ReleaseHeldInput();
  outcome.rows_loaded = rows_loaded_;
  return outcome;
}

void LoadDriver::EndRow(int row, std::string_view outcome) {
  if (row == 0) return;
  current_row_ = 0;
  if (context_.journal) context_.journal->RowEnded(row, cells_sent_, outcome);
}

void LoadDriver::CheckTarget(int row) {
  WindowHandle target = platform_.ActiveTarget();
  std::string title = platform_.ActiveTargetTitle();
  if (target == 0) {
    target = context_.target;
    title = context_.target_title;
  }
  if (target == 0 || platform_.WindowExists(target)) return;
  // Whatever comes to the front instead must not get the rest of the sheet.
  throw PlatformError("The window \"" + title +
                      "\" no longer exists: the load stopped before row " + std::to_string(row) +
                      ".");
}

bool LoadDriver::WaitWhileBusy() {
  Platform& platform = platform_;
  const std::int64_t interval = context_.delays.hour_glass < 0 ? 0 : context_.delays.hour_glass;
  // A target that never drops the hourglass would otherwise hold the load for
  // good: the user can still leave with Esc.
  while (!platform.StopRequested() && platform.IsHourglassShowing()) {
    platform.Sleep(interval);
    if (platform.EscapePressed()) return false;
  }
  return true;
}

void LoadDriver::PlayCell(std::string_view cell_text) {
  Platform& platform = platform_;
  const DelaySettings& delays = context_.delays;
  std::string text(cell_text);
  double extra_delay = 0;
  if (context_.commands.IsCommand(text)) {
    // The extra delay belongs to the name in the cell, taken before the name is
    // replaced by its definition; the definition is not translated again.
    extra_delay = delays.DelayByName(text);
    text = context_.commands.TranslateCommand(text, context_.group);
  }
  if (text.empty()) return;

  if (IsKeystrokeText(text)) {
    TypeKeystrokes(platform, delays, std::string_view(text).substr(1));
  } else if (!PlayBuiltInCommand(platform, delays, text)) {
    PasteData(text);
  }
  platform.Sleep(SecondsToMs(delays.cell_delay + extra_delay));
}

void LoadDriver::PasteData(const std::string& text) {
  Platform& platform = platform_;
  const DelaySettings& delays = context_.delays;
  const bool no_tab_marker = text[0] == '&';
  std::string_view paste = text;
  // "\\" escapes a data text that begins with a backslash; "&" marks a data
  // text that gets no Tab, and is part of the data when Auto Tab is off.
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    paste.remove_prefix(1);
  } else if (no_tab_marker && context_.auto_tab) {
    paste.remove_prefix(1);
  }
  platform.SetClipboardText(paste);
  TypeKeystrokes(platform, delays, "^V");
  platform.WaitForPaste(2000);
  platform.Sleep(SecondsToMs(delays.data_delay));
  if (context_.auto_tab && !no_tab_marker) {
    TypeKeystrokes(platform, delays, "{TAB}");
    platform.Sleep(SecondsToMs(delays.DelayByName("TAB")));
  }
}

}  // namespace typelane
