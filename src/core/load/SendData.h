#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/load/CommandTable.h"
#include "core/load/DelaySettings.h"
#include "core/sheet/CellRect.h"
#include "core/sheet/Sheet.h"

namespace typelane {

class FieldReader;
class LoadJournal;
class LoadObserver;
class Platform;

// What the selection dialog and the main window hand to Send Data.
struct SendRequest {
  // "Load all cells"; otherwise the grid's selection, cut to the used extent.
  bool all_cells = true;
  CellRect selection;
  std::string window_title;   // cmbWindow
  std::string group;          // cmbGroup
  bool auto_tab = false;      // chkAutoTab
  bool progress_bar = true;   // ProgressBar option
  bool hour_glass = false;    // HourGlass option
  bool verify_paste = false;  // VerifyPaste option: read every paste back
  // Resume inside a row: the range's first row starts at this sheet column
  // (0: at the range's left); the rows after it are whole.
  int start_col = 0;
};

// What a load works on: its own copies, taken on the caller's thread before
// the load starts, so the sheet, the commands and the delays may be edited
// while it runs (on a worker thread) without touching what it plays.
struct LoadJob {
  SendRequest request;
  CellRect range;  // the cells to play, in the sheet's coordinates
  Sheet cells;     // the range's cells at the same coordinates, nothing else
  CommandTable commands;
  DelaySettings delays;
};

struct SendResult {
  bool found = false;      // the target window was there
  bool completed = false;  // every cell of the range was played
  bool cancelled = false;  // the user pressed Esc
  bool stopped = false;    // a stop request (quit, signal) ended the load
  std::string error;       // the message of the error that ended the load
  int rows = 0;            // rows loaded
  // Where a load that stopped inside a row can resume: that row and the first
  // cell of it that did not go out. 0, 0 when it completed or stopped between
  // two rows.
  int resume_row = 0;
  int resume_col = 0;
  std::int64_t elapsed_ms = 0;
  // The message box to show: its title and its text, lines joined by CR.
  std::string title;
  std::string message;
};

// "Typelane completed successfully:" or "Data loading terminated at user
// request:", an empty line, "Rows:\t<n>" and "Time:\t<h:m:s>", joined by CR;
// a load that stopped adds where: "Stopped in row 3 after cell 2."
std::string LoadSummary(bool cancelled, int rows, std::int64_t elapsed_ms,
                        std::string_view where = {});

// Elapsed time as hours, minutes and seconds without leading zeros: 1:2:5.
std::string FormatElapsed(std::int64_t elapsed_ms);

// The warning to give before a load starts when Esc cannot stop it on this
// desktop; empty when it can.
std::string EscapeWarning(const Platform& platform);

// Copies what a load of the request needs out of the document's models.
LoadJob PrepareLoad(const Sheet& sheet, const CommandTable& commands, const DelaySettings& delays,
                    const SendRequest& request);

// The Send Data command once the selection dialog has been answered: shows the
// progress window (progress_bar on), notes the window in front, waits until
// the user holds no Ctrl, Shift or Alt (Esc cancels the wait), activates the
// target by title and waits FormDelay (found or not), loads the range, brings
// the noted window back and reports. A target that is not there is reported as
// "Typelane Error" without loading anything. Any error ends the load at its
// cell; the noted window is brought back and the error's message is the
// result's message: nothing is thrown. A stop request ends the load between
// two keys and brings no window back. Every way out lets go of the keys and
// buttons the load held down.
//
// The progress window stays up: the caller shows the result's message and
// then hides it (LoadObserver::ProgressHidden), as the last step of the load.
// The observer hears of progress only with progress_bar on, of waits for held
// keys always. The journal, when given, records every row as it ends. With
// verify_paste, fields reads every paste back (null: the desktop has no
// reader, and the load says it goes on without).
SendResult RunLoad(Platform& platform, const LoadJob& job, LoadObserver* observer = nullptr,
                   LoadJournal* journal = nullptr, FieldReader* fields = nullptr);

// PrepareLoad and RunLoad in one, for callers on one thread.
SendResult SendData(Platform& platform, const Sheet& sheet, const CommandTable& commands,
                    const DelaySettings& delays, const SendRequest& request,
                    LoadObserver* observer = nullptr, LoadJournal* journal = nullptr,
                    FieldReader* fields = nullptr);

}  // namespace typelane
