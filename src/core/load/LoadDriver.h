#pragma once

#include <string>
#include <string_view>

#include "core/load/GuardedPlatform.h"
#include "core/load/Platform.h"

namespace typelane {

class CommandTable;
class DelaySettings;
class LoadJournal;
class LoadObserver;
class Sheet;

// Everything a load reads. Nothing here changes while a load runs.
struct LoadContext {
  Platform& platform;
  const Sheet& sheet;
  const CommandTable& commands;
  const DelaySettings& delays;
  std::string group;        // command group (cmbGroup)
  bool auto_tab = false;    // Auto Tab after every data cell (chkAutoTab)
  bool hour_glass = false;  // HourGlass option: wait while the target is busy
  // Progress reports; null when the progress window is off.
  LoadObserver* observer = nullptr;
  // The window the load was started into and the title it was found by (0:
  // none known). A "*CW" during the load takes its place.
  WindowHandle target = 0;
  std::string target_title;
  // Row by row record of the load (the load log); null for none.
  LoadJournal* journal = nullptr;
  // Told when the load waits for held modifier keys, with or without the
  // progress window; null for nobody.
  LoadObserver* notices = nullptr;
};

struct LoadOutcome {
  bool cancelled = false;  // the user pressed Esc
  int rows_loaded = 0;     // rows whose every cell was played
  bool stopped = false;    // a stop request (quit, signal) ended the load
};

// Plays a rectangle of the sheet into the foreground window, row by row and
// cell by cell. For every cell: a stop request ends the load, Esc cancels it,
// a target window that no longer exists fails it; held Ctrl, Shift or Alt keys
// are waited for (Esc still cancels); then 50 ms, the hourglass
// wait (when the option is on; Esc is watched there too), command translation
// with its extra delay, then keystrokes, a built-in command or a paste, and
// CellDelay plus the extra delay when the text was not empty.
//
// Errors (ConversionError, PlatformError, any other) end the load at the cell
// that raised them and leave this object; RowsLoaded() then tells how far it
// got. Whichever way a load ends, every key and button it holds is let go.
class LoadDriver {
 public:
  explicit LoadDriver(LoadContext context);

  // Rows first_row..last_row, columns first_col..last_col of the sheet. An
  // empty column range plays nothing but still counts its rows as loaded.
  LoadOutcome LoadRange(int first_row, int last_row, int first_col, int last_col);

  int RowsLoaded() const { return rows_loaded_; }

  // One cell's text, from the command translation on: what a cell does once
  // the Esc check, the 50 ms pause and the hourglass wait are behind it.
  void PlayCell(std::string_view cell_text);

 private:
  // False when Esc was pressed while the target showed the hourglass.
  bool WaitWhileBusy();
  void PasteData(const std::string& text);
  // Throws PlatformError when the window the load types into has gone.
  void CheckTarget(int row);

  // Ends the journal's row: how many cells went out and how.
  void EndRow(int row, std::string_view outcome);

  LoadContext context_;
  GuardedPlatform platform_;
  int rows_loaded_ = 0;
  // The row being played (0: none) and the cells of it played so far.
  int current_row_ = 0;
  int cells_sent_ = 0;
};

}  // namespace typelane
