#pragma once

#include <QObject>
#include <memory>
#include <thread>

#include "core/sheet/CellRect.h"
#include "core/load/SendData.h"

namespace typelane {
class Platform;
}

namespace typelane::ui {

class MainWindow;
class TfrmProgress;

// Send Data from the GUI (mnuSendData, icnSendData). The selection dialog
// confirms range, group and window; the load then runs on a worker thread over
// its own copy of the sheet, the commands and the delays, while our windows
// keep painting but take no input (Esc, watched by the platform, stops the
// load). At the end the summary or the error is shown and only then does the
// progress window go. A load stopped by Esc or an error leaves the rows it did
// not load selected, so the next Send Data of the selected cells carries on.
class LoadRunner : public QObject {
  Q_OBJECT

 public:
  LoadRunner(MainWindow& window, Platform& platform, TfrmProgress& progress);
  ~LoadRunner() override;

  // Tools > Send Data.
  void SendData();
  // True from the start of a load until its summary has been shown.
  bool Loading() const { return loading_; }
  // Blocks until the running load has ended (tests).
  void WaitForLoad();

  // How the last load ended (tests and the status bar).
  const SendResult& LastResult() const { return result_; }

 signals:
  // The summary or error has been shown and the progress window is gone.
  void LoadFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Start(const SendRequest& request);
  void Finish();

  MainWindow& window_;
  Platform& platform_;
  TfrmProgress& progress_;
  std::thread worker_;
  bool loading_ = false;
  bool quit_after_load_ = false;
  CellRect range_;
  SendResult result_;
};

}  // namespace typelane::ui
