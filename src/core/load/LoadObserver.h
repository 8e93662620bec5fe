#pragma once

#include <string>

namespace typelane {

// How a load tells the progress window what it is doing. The load never touches
// a widget: the GUI implements this and marshals to its own thread (a load runs
// on a worker thread), the command line prints or ignores it. Percentages are
// whole numbers from 0 to 100, truncated.
class LoadObserver {
 public:
  virtual ~LoadObserver() = default;

  // The progress window appears (both bars at 0) before the target is activated.
  // It goes away once the load is over, also after a failure: the caller of the
  // load calls ProgressHidden after showing the summary, the load's last step.
  virtual void ProgressShown() {}
  virtual void ProgressHidden() {}

  // After every cell: how far along its row the load is.
  virtual void ColumnProgress(int /*percent*/) {}
  // After every row: the column bar goes back to 0 and the row bar moves.
  virtual void RowProgress(int /*percent*/, int /*rows_loaded*/) {}

  // The load waits for the user to let go of modifier keys (held: the
  // ModifierBits still down, never 0) before it starts or plays its next cell;
  // told again when the keys held change. KeysReleased ends the wait (also
  // when Esc or a stop request ends it). Told whether or not the progress
  // window is shown.
  virtual void WaitingForKeys(unsigned /*held*/) {}
  virtual void KeysReleased() {}

  // The load holds, and why, in words for the user: "Waiting while "Orders"
  // is busy", "Waiting for "Orders" to take the paste (row 3, cell 2) — Esc
  // stops", "Waiting for "Orders" to come back to the front (another window
  // has the focus) — Esc stops". An empty text: the wait is over. Told
  // whether or not the progress window is shown; called on the load's thread.
  virtual void WaitNotice(const std::string& /*text*/) {}

  // Something the user should know about the whole load, told once, that
  // does not hold it: "Verification is not available for "Orders": loading
  // without it". Stays in view until the next load. Told whether or not the
  // progress window is shown; called on the load's thread.
  virtual void LoadNotice(const std::string& /*text*/) {}
};

}  // namespace typelane
