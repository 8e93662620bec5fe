#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <thread>

#include "core/load/SendData.h"
#include "core/sheet/CellRect.h"

class QTimer;

namespace typelane {
class LoadLog;
class Platform;
}  // namespace typelane

namespace typelane::ui {

class MainWindow;
class TfrmProgress;

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
// the next Send Data of the selected cells carries on.
//
// Closing the main window during a load (or File > Exit) stops the load
// between two keys, with every key it held let go, and then closes as usual,
// unsaved changes asked about; no summary is shown, the log keeps the rows.
//
// Tools > Preview Load (mnuPreviewLoad) plays the selected cells on a
// recording desktop instead and shows the steps with the load's total time.
class LoadRunner : public QObject {
  Q_OBJECT

 public:
  LoadRunner(MainWindow& window, Platform& platform, TfrmProgress& progress);
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

 signals:
  // The summary or error has been shown and the progress window is gone.
  void LoadFinished();

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

  MainWindow& window_;
  Platform& platform_;
  TfrmProgress& progress_;
  std::thread worker_;
  QTimer* wait_timer_ = nullptr;
  bool loading_ = false;
  bool quitting_ = false;
  CellRect range_;
  SendResult result_;
  std::unique_ptr<LoadLog> log_;
  std::string log_error_;
  std::string log_path_;
};

}  // namespace typelane::ui
