#pragma once

#include <string>
#include <string_view>

#include "core/common/Errors.h"
#include "core/load/GuardedPlatform.h"
#include "core/load/Platform.h"

namespace typelane {

class CommandTable;
class DelaySettings;
class FieldReader;
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
  // VerifyPaste option: every pasted value is read back from the target's
  // focused field through fields before the automatic Tab (null: no reader
  // on this desktop, the load goes on without verifying and says so).
  bool verify_paste = false;
  FieldReader* fields = nullptr;
};

struct LoadOutcome {
  bool cancelled = false;  // the user pressed Esc
  int rows_loaded = 0;     // rows whose every cell was played
  bool stopped = false;    // a stop request (quit, signal) ended the load
  // Where a load that stopped inside a row resumes: the row and the first
  // cell of it that did not go out; 0, 0 when it completed or stopped
  // between two rows.
  int resume_row = 0;
  int resume_col = 0;
};

// An error of the load that names its row and cell itself (a target gone, a
// paste never taken): nothing is added to its message.
class LoadError : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

// Plays a rectangle of the sheet into the target window, row by row and cell
// by cell. A cell goes out only when the target can take it: before every cell
// a stop request ends the load and Esc cancels it; held Ctrl, Shift or Alt
// keys are waited for; 50 ms pass; while the HourGlass option is on, a busy or
// hung target is waited for; a target window that no longer exists fails the
// load; while another program has the keyboard focus the load holds. Then the
// cell: command translation with its extra delay, keystrokes, a built-in
// command or a paste, and CellDelay plus the extra delay when the text was not
// empty. A paste is followed only once the target has taken it: the load waits
// (Esc stops it), tells the user after a moment, and fails after the paste
// wait. Every wait but a key hold ends at once on Esc or a stop request; a
// cell's keys always go out whole, so Esc acts between two cells.
//
// With verify_paste, after every paste (before its Tab) the target's focused
// field is read back until it holds the value, for up to VerifyWait; a field
// that holds something else ends the load with an error naming the row, the
// cell, the value sent and the text found, and nothing more is typed. A
// target whose fields cannot be read is loaded without verifying, and the
// user is told once.
//
// Errors (ConversionError, PlatformError, any other) end the load at the cell
// that raised them and leave this object; RowsLoaded() and Where() then tell
// how far it got. Whichever way a load ends, every key and button it holds is
// let go.
class LoadDriver {
 public:
  explicit LoadDriver(LoadContext context);

  // Rows first_row..last_row, columns first_col..last_col of the sheet; the
  // first row starts at start_col when it lies inside the columns (a resumed
  // load). An empty column range plays nothing but still counts its rows as
  // loaded.
  LoadOutcome LoadRange(int first_row, int last_row, int first_col, int last_col,
                        int start_col = 0);

  int RowsLoaded() const { return rows_loaded_; }
  // Where the load ended, in words: "in row 3 after cell 2", "before row 3",
  // for an error "at row 3, cell 4"; "" before it began.
  std::string Where() const;
  // After an error: the row and cell to resume at (0, 0 when none).
  int ResumeRow() const { return resume_row_; }
  int ResumeCol() const { return resume_col_; }

  // One cell's text, from the command translation on: what a cell does once
  // the checks before it are behind it. True when something went out (the
  // text was not empty after translation).
  bool PlayCell(std::string_view cell_text);

 private:
  enum class Hold { kGoOn, kEscape, kStop };
  class NoticeScope;
  // The checks and waits before a cell.
  Hold BeforeCell();
  Hold WaitWhileBusy();
  Hold WaitForFocus();
  void PasteData(std::string_view text);
  void WaitForPasteTaken();
  // Whether the pastes into the current target can be verified; tells the
  // user once per target when they cannot.
  bool CanVerify();
  // Reads the pasted value back; throws LoadError on a mismatch, Hold on Esc
  // or a stop request.
  void VerifyPaste(std::string_view value);
  // Throws LoadError when the window the load types into has gone.
  void CheckTarget();
  WindowHandle Target() const;
  std::string TargetTitle() const;
  void Notice(const std::string& text);
  // Where the load stands now ("in row 3 after cell 2", "before row 3").
  std::string Place() const;
  void NoteResumePoint();

  // Ends the journal's row: how many cells went out and how.
  void EndRow(int row, std::string_view outcome);

  LoadContext context_;
  // Called as GuardedPlatform (a final class), not as Platform: what it only
  // hands on to the desktop costs no second dispatch before every cell.
  GuardedPlatform platform_;
  // The wait after each automatic Tab (the "TAB" command delay).
  std::int64_t tab_delay_ms_ = 0;
  // DataDelay and CellDelay in milliseconds, as every cell waits them.
  std::int64_t data_delay_ms_ = 0;
  std::int64_t cell_delay_ms_ = 0;
  int rows_loaded_ = 0;
  int first_col_ = 0;
  // The row being played (0: none), the column it started at, the cell being
  // played, the last cell that went out whole (0: none) and the non-blank
  // cells of it sent so far.
  int current_row_ = 0;
  int row_start_col_ = 0;
  int current_col_ = 0;
  int done_col_ = 0;
  int cells_sent_ = 0;
  bool failed_in_cell_ = false;
  int resume_row_ = 0;
  int resume_col_ = 0;
  // Verifying: the target last asked about (0: none yet), whether its fields
  // can be read, and what the current row's pastes came to.
  enum class RowCheck { kNothing, kVerified, kUnread, kWrong };
  WindowHandle field_window_ = 0;
  bool field_asked_ = false;
  bool fields_readable_ = false;
  RowCheck row_check_ = RowCheck::kNothing;
};

}  // namespace typelane
