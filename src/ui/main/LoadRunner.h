#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/document/DocumentObserver.h"
#include "core/load/SendData.h"
#include "core/sheet/CellRect.h"

class QTimer;

namespace typelane {
class FieldReader;
class LoadLog;
class Platform;
}  // namespace typelane

namespace typelane::ui {

class MainWindow;
class ProgressWindow;

// Send Data from the GUI (mnuSendData, icnSendData). The selection dialog
// confirms range, group and window; the load's own copy of the range, the
// commands and the delays is taken here (PrepareLoad), and the load runs on a
// worker thread (RunLoad) while our windows keep painting but take no input
// (Esc, watched by the platform, stops the load). It starts only once the user
// holds no Ctrl, Shift or Alt, and the progress window (or the status bar)
// says so while it waits. Every row goes into a load log in the user's data
// folder as it ends. At the end the summary or the error is shown, naming the
// log and offering to open it, and only then does the progress window go. A
// load stopped by Esc or an error leaves the rows it did not load selected, so
// the next Send Data of the selected cells carries on. A load that stopped
// inside a row is remembered there: the next Send Data of the same file offers
// "Resume at row r, cell c", which plays that row from that cell on and the
// rows after it. New, Open, inserting or removing rows or columns, and a
// completed load forget it.
//
// Closing the main window during a load (or File > Exit) stops the load
// between two keys, with every key it held let go, and then closes as usual,
// unsaved changes asked about; no summary is shown, the log keeps the rows.
// A stop signal (SIGTERM, SIGINT, ...) ends the load the same way, and then
// the program dies of the signal (StoppedBySignal).
//
// Tools > Preview Load (mnuPreviewLoad) plays the selected cells on a
// recording desktop instead and shows the steps with the load's total time.
class LoadRunner : public QObject, private DocumentObserver {
  Q_OBJECT

 public:
  LoadRunner(MainWindow& window, Platform& platform, ProgressWindow& progress);
  ~LoadRunner() override;

  // Tools > Send Data.
  void SendData();
  // Tools > Preview Load.
  void PreviewLoad();
  // The text Preview Load shows for the current selection.
  QString PreviewText();

  // True from the start of a load until its summary has been shown.
  bool Loading() const { return loading_; }
  // Blocks until the running load has ended (tests).
  void WaitForLoad();

  // How the last load ended (tests and the status bar).
  const SendResult& LastResult() const { return result_; }
  // The last load's log file; "" when none was written.
  const std::string& LastLogPath() const { return log_path_; }

  // A stop signal came. A running load stops between two keys and lets go of
  // every key; StoppedBySignal follows once it has. False when no load runs
  // (nothing to wait for: the caller may exit at once).
  bool StopForSignal(int signal_number);

  // Where the next Send Data may resume inside a row.
  struct ResumePoint {
    std::string file;  // the document's file name when the load stopped
    int row = 0;
    int col = 0;
    CellRect range;  // the stopped load's range
  };
  const std::optional<ResumePoint>& Resume() const { return resume_; }

 signals:
  // The summary or error has been shown and the progress window is gone.
  void LoadFinished();
  // The load a stop signal ended has let go of everything: the program may die.
  void StoppedBySignal(int signal_number);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Start(const SendRequest& request);
  void Finish();
  void ShowWait();
  // The summary's lines about the load log, and whether it offers to open it.
  std::string LogLines(bool& offer_open);
  // Send Data's range rule for the grid's selection: the selected cells when
  // more than one is selected, else all cells.
  SendRequest RequestFromSelection(bool selected_only);
  // Remembers or forgets where the last load stopped inside a row.
  void NoteResume();
  // The desktop's field reader, made at the first load that verifies (null
  // on a build without one).
  FieldReader* Fields();
  // With the accessibility bus switched off, asks the user whether to switch
  // it on (once a session); never switches it on unasked.
  void OfferAccessibility();

  // The sheet changed shape or was replaced: the resume point means nothing.
  void SheetReset(const SheetExtent& extent) override;
  void RowsInserted(int at, int count) override;
  void RowsRemoved(int at, int count) override;
  void ColumnsInserted(int at, int count) override;
  void ColumnsRemoved(int at, int count) override;

  MainWindow& window_;
  Platform& platform_;
  ProgressWindow& progress_;
  std::thread worker_;
  QTimer* wait_timer_ = nullptr;
  bool loading_ = false;
  bool quitting_ = false;
  // Stop in the progress window ended the load.
  bool stopped_by_user_ = false;
  int exit_signal_ = 0;
  // The wait notice the status bar shows now, to take it away again.
  QString shown_wait_;
  std::optional<ResumePoint> resume_;
  CellRect range_;
  SendResult result_;
  std::unique_ptr<LoadLog> log_;
  std::string log_error_;
  std::string log_path_;
  // A load still reading fields has ended (the destructor joins the worker)
  // before the reader goes.
  std::unique_ptr<FieldReader> fields_;
  bool fields_tried_ = false;
  bool accessibility_asked_ = false;
};

}  // namespace typelane::ui
