#include "ui/main/LoadRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "core/common/FileSystem.h"
#include "core/document/Document.h"
#include "core/files/LoadLog.h"
#include "core/load/FieldReader.h"
#include "core/load/Platform.h"
#include "platform/fields/DesktopFieldReader.h"
#include "platform/recording/RecordingPlatform.h"
#include "ui/common/AccessibleNames.h"
#include "ui/common/CellText.h"
#include "ui/dialogs/PreviewWindow.h"
#include "ui/dialogs/ProgressWindow.h"
#include "ui/dialogs/SelectionDialog.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PreviewSteps.h"

namespace typelane::ui {
namespace {

// How often the status bar looks whether the load waits for held keys.
constexpr int kWaitPollMs = 100;
// A preview longer than this shows its beginning and its total.
constexpr size_t kPreviewSteps = 20000;

// What our windows refuse while a load runs: everything a user does with the
// keyboard and the mouse. Painting, moving and timers go on.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TabletPress:
    case QEvent::TouchBegin:
      return true;
    default:
      return false;
  }
}

}  // namespace

LoadRunner::LoadRunner(MainWindow& window, Platform& platform, ProgressWindow& progress)
    : QObject(&window), window_(window), platform_(platform), progress_(progress) {
  setObjectName(QStringLiteral("LoadRunner"));
  wait_timer_ = new QTimer(this);
  wait_timer_->setInterval(kWaitPollMs);
  connect(wait_timer_, &QTimer::timeout, this, &LoadRunner::ShowWait);
  // Stop ends the load between two keys, as Esc does; Continue sends a load
  // that holds for its target back to it.
  connect(&progress_, &ProgressWindow::StopClicked, this, [this] {
    if (!loading_) return;
    stopped_by_user_ = true;
    platform_.RequestStop();
  });
  connect(&progress_, &ProgressWindow::ContinueClicked, this, [this] {
    if (loading_) platform_.RequestRefocus();
  });
  window_.document().AddObserver(this);
}

LoadRunner::~LoadRunner() {
  window_.document().RemoveObserver(this);
  if (worker_.joinable()) {
    // The program goes away under a running load: it stops between two keys
    // and lets go of what it holds before anything here is freed.
    platform_.RequestStop();
    worker_.join();
  }
  if (loading_) qApp->removeEventFilter(this);
}

SendRequest LoadRunner::RequestFromSelection(bool selected_only) {
  Document& document = window_.document();
  const GridRect selection = window_.Grid()->Selection();
  SendRequest request;
  request.all_cells = !selected_only;
  request.selection = CellRect{selection.top, selection.left, selection.bottom, selection.right};
  request.window_title = document.window_title;
  request.group = document.command_group;
  request.auto_tab = document.auto_tab;
  request.progress_bar = document.options.progress_bar;
  request.hour_glass = document.options.hour_glass;
  request.verify_paste = document.options.verify_paste;
  return request;
}

FieldReader* LoadRunner::Fields() {
  // The accessibility client starts only once a load is to verify.
  if (!fields_tried_) {
    fields_tried_ = true;
    fields_ = MakeDesktopFieldReader();
  }
  return fields_.get();
}

void LoadRunner::OfferAccessibility() {
  // Asked once a session: a user who said no is not asked before every load.
  if (accessibility_asked_ || !Fields()) return;
  if (DesktopAccessibility() != Accessibility::kOff) return;
  accessibility_asked_ = true;
  Prompter& prompter = window_.document().prompter();
  const Answer answer = prompter.Message(
      kTitleInfo,
      "Verify pasted data reads each pasted value back through the desktop's accessibility "
      "bus, which is switched off: programs may not show their fields to Typelane.\r"
      "Switch the accessibility bus on for this session?",
      Buttons::kYesNo);
  if (answer == Answer::kYes && !SwitchOnAccessibility()) {
    prompter.Error(
        "The accessibility bus could not be switched on. Loads go on without verifying where "
        "the target's fields cannot be read.");
  }
}

void LoadRunner::SendData() {
  if (loading_) return;
  Document& document = window_.document();
  if (document.Kind() != DocumentKind::kSheetFile) return;
  EditGrid* grid = window_.Grid();
  // What is being typed into a cell belongs to the sheet before it loads.
  if (grid->Editing()) grid->setFocus();
  const GridRect selection = grid->Selection();

  SelectionDialog::Start start;
  start.groups = document.GroupItems();
  start.group = document.command_group;
  start.window_title = document.window_title;
  start.multi_cell_selection =
      selection.top != selection.bottom || selection.left != selection.right;
  start.own_caption = document.Caption();
  // Only the file the load stopped in can resume where it stopped.
  if (resume_ && resume_->file != document.FileName()) resume_.reset();
  if (resume_) {
    start.resume_row = resume_->row;
    start.resume_col = resume_->col;
  }
  if (document.options.verify_paste) {
    OfferAccessibility();
    start.fields = Fields();
  }
  std::string group;
  std::string title;
  bool all_cells = true;
  bool resume = false;
  {
    SelectionDialog dialog(start, platform_, document.prompter(), &window_);
    NameControls(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    group = dialog.Group();
    title = dialog.WindowTitle();
    all_cells = dialog.AllCells();
    resume = dialog.ResumeChosen();
  }
  // The main window's boxes take the chosen values (they travel with the sheet).
  if (group != document.command_group || title != document.window_title) {
    document.command_group = group;
    document.window_title = title;
    window_.ShowDocument(false);
    window_.MarkModified();
  }
  SendRequest request = RequestFromSelection(!all_cells);
  if (resume && resume_) {
    // That row from that cell on, then the rows after it, as they were.
    request.all_cells = false;
    request.selection =
        CellRect{resume_->row, resume_->range.left, resume_->range.bottom, resume_->range.right};
    request.start_col = resume_->col;
  }
  Start(request);
}

void LoadRunner::Start(const SendRequest& request) {
  Document& document = window_.document();
  // The load's own copies, taken here: nothing it reads can change under it.
  auto job = std::make_shared<LoadJob>();
  try {
    *job = PrepareLoad(document.sheet, document.commands, document.delays, request);
  } catch (const std::exception& e) {
    // A copy of a huge range can run out of memory: nothing was sent.
    document.prompter().Message(kTitleError, e.what(), Buttons::kOk);
    return;
  }
  range_ = job->range;

  // The log of this load, in the user's data folder. Without one the load
  // still goes; the summary says why there is none.
  log_.reset();
  log_error_.clear();
  log_path_.clear();
  const std::string log_folder = LoadLog::FolderIn(document.UserFolder());
  if (!log_folder.empty()) {
    try {
      log_ = LoadLog::CreateIn(log_folder, LoadLog::SheetName(document.FileName()),
                               std::chrono::system_clock::now(), request.verify_paste);
      log_path_ = log_->Path();
    } catch (const std::exception& e) {
      log_error_ = e.what();
    }
  }

  platform_.ClearStopRequest();
  quitting_ = false;
  stopped_by_user_ = false;
  exit_signal_ = 0;
  if (request.progress_bar) progress_.ShowProgress();
  progress_.Feed().Clear();
  loading_ = true;
  qApp->installEventFilter(this);
  window_.statusBar()->clearMessage();
  wait_timer_->start();

  ProgressFeed* feed = &progress_.Feed();
  LoadLog* log = log_.get();
  FieldReader* fields = request.verify_paste ? Fields() : nullptr;
  worker_ = std::thread([this, job, feed, log, fields] {
    SendResult result;
    try {
      result = RunLoad(platform_, *job, feed, log, fields);
    } catch (const std::exception& e) {
      result.title = std::string(kTitleError);
      result.message = e.what();
      result.error = e.what();
    }
    QMetaObject::invokeMethod(
        this,
        [this, result] {
          result_ = result;
          Finish();
        },
        Qt::QueuedConnection);
  });
}

void LoadRunner::ShowWait() {
  const unsigned held = progress_.Feed().HeldKeys();
  const QString wait =
      held != 0 ? ProgressWindow::HeldKeysText(held) : BytesToText(progress_.Feed().WaitText());
  QStatusBar* bar = window_.statusBar();
  if (!wait.isEmpty()) {
    if (bar->currentMessage() != wait) bar->showMessage(wait);
    shown_wait_ = wait;
  } else if (!shown_wait_.isEmpty()) {
    // Only our own notice goes; a message shown since stays.
    if (bar->currentMessage() == shown_wait_) bar->clearMessage();
    shown_wait_.clear();
  }
}

bool LoadRunner::StopForSignal(int signal_number) {
  platform_.RequestStop();
  // The worker may have ended already with its Finish still queued: Finish
  // then sees the signal.
  if (!worker_.joinable()) return false;
  if (exit_signal_ == 0) exit_signal_ = signal_number;
  quitting_ = true;
  window_.statusBar()->showMessage(
      QStringLiteral("Stopping the load: Typelane ends once it has let go of every key."));
  return true;
}

void LoadRunner::NoteResume() {
  if (result_.found && !result_.completed && result_.resume_row > 0 && result_.resume_col > 0) {
    resume_ =
        ResumePoint{window_.document().FileName(), result_.resume_row, result_.resume_col, range_};
  } else {
    resume_.reset();
  }
}

void LoadRunner::SheetReset(const SheetExtent& /*extent*/) { resume_.reset(); }
void LoadRunner::RowsInserted(int /*at*/, int /*count*/) { resume_.reset(); }
void LoadRunner::RowsRemoved(int /*at*/, int /*count*/) { resume_.reset(); }
void LoadRunner::ColumnsInserted(int /*at*/, int /*count*/) { resume_.reset(); }
void LoadRunner::ColumnsRemoved(int /*at*/, int /*count*/) { resume_.reset(); }

std::string LoadRunner::LogLines(bool& offer_open) {
  offer_open = false;
  if (!log_) {
    if (log_error_.empty()) return {};
    return "\r\rNo load log was written: " + log_error_;
  }
  if (!result_.found && log_->RowsWritten() == 0) {
    // Nothing was loaded: a log of no rows would only be clutter.
    const std::string path = log_->Path();
    log_.reset();
    std::error_code ec;
    std::filesystem::remove(PathFromName(path), ec);
    log_path_.clear();
    return {};
  }
  std::string lines = "\r\rLoad log: " + log_->Path();
  if (!log_->Error().empty()) {
    return lines + "\rThe log is incomplete: " + log_->Error();
  }
  offer_open = true;
  return lines;
}

void LoadRunner::Finish() {
  if (worker_.joinable()) worker_.join();
  wait_timer_->stop();
  progress_.Feed().KeysReleased();
  progress_.Feed().WaitNotice({});
  progress_.UpdateBars();
  ShowWait();
  qApp->removeEventFilter(this);
  Document& document = window_.document();
  NoteResume();

  if (exit_signal_ != 0) {
    // A stop signal: the load has let go of every key; the program dies of
    // the signal without a question (nobody is there to answer it).
    log_.reset();
    progress_.Feed().ProgressHidden();
    progress_.hide();
    loading_ = false;
    emit LoadFinished();
    emit StoppedBySignal(exit_signal_);
    return;
  }

  if (quitting_) {
    // The user closed the program: the load has stopped and let go of its
    // keys; the log holds the rows. Closing goes on as usual.
    log_.reset();
    progress_.Feed().ProgressHidden();
    progress_.hide();
    loading_ = false;
    emit LoadFinished();
    window_.close();
    return;
  }

  bool offer_open = false;
  const std::string text = result_.message + LogLines(offer_open);
  const std::string log_path = log_ ? log_->Path() : std::string();
  log_.reset();  // closed before anybody opens it
  // A stop from the progress window sends nothing more, not even the return
  // to our window that ends every other load: the summary brings it back.
  if (stopped_by_user_) window_.activateWindow();
  // The target's window was put back behind ours: the progress window stays
  // in sight (without the focus) until the summary has been read.
  if (progress_.isVisible()) progress_.raise();
  const Answer answer = document.prompter().Message(result_.title, text,
                                                    offer_open ? Buttons::kOkOpen : Buttons::kOk);
  progress_.Feed().ProgressHidden();
  progress_.hide();
  loading_ = false;
  if (offer_open && answer == Answer::kOpen) {
    window_.OpenUrl(QUrl::fromLocalFile(PathToText(log_path)));
  }

  // Stopped early: what was not loaded stays selected for the next load.
  const bool stopped = result_.found && !result_.completed;
  if (stopped && !range_.Empty()) {
    const int next_row = range_.top + result_.rows;
    if (next_row <= range_.bottom) {
      window_.Grid()->SelectRange(GridRect{range_.left, next_row, range_.right, range_.bottom});
      if (resume_) {
        window_.statusBar()->showMessage(
            QStringLiteral("Load stopped: rows %1 to %2 are selected; Send Data resumes at "
                           "row %3, cell %4.")
                .arg(next_row)
                .arg(range_.bottom)
                .arg(resume_->row)
                .arg(resume_->col));
      } else {
        window_.statusBar()->showMessage(
            QStringLiteral("Load stopped: rows %1 to %2 are selected; Send Data with "
                           "\"Load selected cells only\" resumes from row %1.")
                .arg(next_row)
                .arg(range_.bottom));
      }
    }
  }
  emit LoadFinished();
}

void LoadRunner::WaitForLoad() {
  while (loading_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

QString LoadRunner::PreviewText() {
  Document& document = window_.document();
  EditGrid* grid = window_.Grid();
  if (grid->Editing()) grid->setFocus();
  const GridRect selection = grid->Selection();
  // The range Send Data would offer first: the selected cells when several
  // are selected, else the whole sheet.
  SendRequest request =
      RequestFromSelection(selection.top != selection.bottom || selection.left != selection.right);
  request.progress_bar = false;
  const LoadJob job = PrepareLoad(document.sheet, document.commands, document.delays, request);

  RecordingPlatform desktop;
  PreviewSteps steps(kPreviewSteps);
  desktop.SetTraceSink(&steps);
  const SendResult result = RunLoad(desktop, job);

  QString text;
  const CellRect& r = job.range;
  if (r.Empty()) {
    text += QStringLiteral("No cells to load.\n");
  } else {
    text += QStringLiteral("Rows %1 to %2, columns %3 to %4\n")
                .arg(r.top)
                .arg(r.bottom)
                .arg(r.left)
                .arg(r.right);
  }
  text += QStringLiteral("Into \"%1\", command group \"%2\", Auto Tab %3\n")
              .arg(BytesToText(request.window_title), BytesToText(request.group),
                   request.auto_tab ? QStringLiteral("on") : QStringLiteral("off"));
  text += QStringLiteral("Nothing is sent: this is what Send Data would do.\n\n");
  for (const std::string& line : steps.Steps()) text += BytesToText(line) + QLatin1Char('\n');
  if (const std::uint64_t more = steps.MoreSteps(); more > 0) {
    text += QStringLiteral("... and %1 more steps\n").arg(more);
  }
  if (!result.error.empty()) {
    text += QStringLiteral("\nThe load would stop here: %1\n").arg(BytesToText(result.error));
  }
  text += QStringLiteral("\nTotal: %1 (%2 ms)\n")
              .arg(QString::fromStdString(FormatElapsed(steps.TotalMs())))
              .arg(steps.TotalMs());
  return text;
}

void LoadRunner::PreviewLoad() {
  if (loading_) return;
  Document& document = window_.document();
  if (document.Kind() != DocumentKind::kSheetFile) return;
  QString text;
  try {
    text = PreviewText();
  } catch (const std::exception& e) {
    document.prompter().Message(kTitleError, e.what(), Buttons::kOk);
    return;
  }
  PreviewWindow preview(text, &window_);
  NameControls(preview);
  preview.exec();
}

bool LoadRunner::eventFilter(QObject* watched, QEvent* event) {
  if (!loading_) return false;
  if (watched == &window_ && event->type() == QEvent::Close) {
    // Quitting stops the load between two keys, and closes once it has.
    if (!quitting_) {
      quitting_ = true;
      platform_.RequestStop();
      window_.statusBar()->showMessage(
          QStringLiteral("Stopping the load: Typelane closes once it has let go of every key."));
    }
    event->ignore();
    return true;
  }
  // The user's input is held off every window of ours during a load, but for
  // clicks on the progress window's own buttons (Stop, Continue).
  if (watched->isWidgetType() && IsUserInput(event->type())) {
    const bool click =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    return !(click && static_cast<const QWidget*>(watched)->window() == &progress_);
  }
  return false;
}

}  // namespace typelane::ui
