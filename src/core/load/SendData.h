#pragma once

#include <cstdint>
#include <string>

#include "core/load/CellRect.h"

namespace typelane {

class CommandTable;
class DelaySettings;
class LoadObserver;
class Platform;
class Sheet;

// What the selection dialog and the main window hand to Send Data.
struct SendRequest {
  // "Load all cells"; otherwise the grid's selection, cut to the used extent.
  bool all_cells = true;
  CellRect selection;
  std::string window_title;  // cmbWindow
  std::string group;         // cmbGroup
  bool auto_tab = false;     // chkAutoTab
  bool progress_bar = true;  // ProgressBar option
  bool hour_glass = false;   // HourGlass option
};

struct SendResult {
  bool found = false;      // the target window was there
  bool completed = false;  // every cell of the range was played
  bool cancelled = false;  // the user pressed Esc
  std::string error;       // the message of the error that ended the load
  int rows = 0;            // rows loaded
  std::int64_t elapsed_ms = 0;
  // The message box to show: its title and its text, lines joined by CR.
  std::string title;
  std::string message;
};

// "Typelane completed successfully:" or "Data loading terminated at user
// request:", an empty line, "Rows:\t<n>" and "Time:\t<h:m:s>", joined by CR.
std::string LoadSummary(bool cancelled, int rows, std::int64_t elapsed_ms);

// Elapsed time as hours, minutes and seconds without leading zeros: 1:2:5.
std::string FormatElapsed(std::int64_t elapsed_ms);

// The Send Data command once the selection dialog has been answered: notes the
// window in front, activates the target by title and waits FormDelay (found or
// not), loads the range, brings the noted window back and reports. A target
// that is not there is reported as "Typelane Error" without loading anything.
// An error (ConversionError, PlatformError) ends the load at its cell; the
// noted window is brought back and the error's message is the result's message.
// The observer, when given, hears about progress only with progress_bar on.
SendResult SendData(Platform& platform, const Sheet& sheet, const CommandTable& commands,
                    const DelaySettings& delays, const SendRequest& request,
                    LoadObserver* observer = nullptr);

}  // namespace typelane
