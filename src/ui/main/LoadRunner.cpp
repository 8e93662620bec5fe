#include "ui/main/LoadRunner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QStatusBar>
#include <QWidget>

#include "core/document/Document.h"
#include "core/load/Platform.h"
#include "ui/dialogs/TfrmProgress.h"
#include "ui/dialogs/TfrmSelection.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {
namespace {

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

LoadRunner::LoadRunner(MainWindow& window, Platform& platform, TfrmProgress& progress)
    : QObject(&window), window_(window), platform_(platform), progress_(progress) {
  setObjectName(QStringLiteral("LoadRunner"));
}

LoadRunner::~LoadRunner() {
  if (worker_.joinable()) worker_.join();
  if (loading_) qApp->removeEventFilter(this);
}

void LoadRunner::SendData() {
  if (loading_) return;
  Document& document = window_.document();
  if (document.Kind() != DocumentKind::kSheetFile) return;
  EditGrid* grid = window_.Grid();
  // What is being typed into a cell belongs to the sheet before it loads.
  if (grid->Editing()) grid->setFocus();
  const GridRect selection = grid->Selection();

  TfrmSelection::Start start;
  start.groups = document.GroupItems();
  start.group = document.command_group;
  start.window_title = document.window_title;
  start.multi_cell_selection =
      selection.top != selection.bottom || selection.left != selection.right;
  start.own_caption = document.Caption();
  std::string group;
  std::string title;
  bool all_cells = true;
  {
    TfrmSelection dialog(start, platform_, document.prompter(), &window_);
    if (dialog.exec() != QDialog::Accepted) return;
    group = dialog.Group();
    title = dialog.WindowTitle();
    all_cells = dialog.AllCells();
  }
  // The main window's boxes take the chosen values (they travel with the sheet).
  if (group != document.command_group || title != document.window_title) {
    document.command_group = group;
    document.window_title = title;
    window_.ShowDocument(false);
    window_.MarkModified();
  }

  SendRequest request;
  request.all_cells = all_cells;
  request.selection = CellRect{selection.top, selection.left, selection.bottom, selection.right};
  request.window_title = title;
  request.group = group;
  request.auto_tab = document.auto_tab;
  request.progress_bar = document.options.progress_bar;
  request.hour_glass = document.options.hour_glass;
  Start(request);
}

void LoadRunner::Start(const SendRequest& request) {
  Document& document = window_.document();
  range_ = request.all_cells ? WholeExtent(document.sheet)
                             : ClipToExtent(document.sheet, request.selection);
  if (request.progress_bar) progress_.ShowProgress();
  loading_ = true;
  quit_after_load_ = false;
  qApp->installEventFilter(this);
  window_.statusBar()->clearMessage();

  // The load's own copies: the user may not edit while it runs, but nothing it
  // reads may change under it either way.
  auto sheet = std::make_shared<Sheet>(document.sheet);
  auto commands = std::make_shared<CommandTable>(document.commands);
  auto delays = std::make_shared<DelaySettings>(document.delays);
  ProgressFeed* feed = &progress_.Feed();
  worker_ = std::thread([this, sheet, commands, delays, request, feed] {
    SendResult result;
    try {
      result = typelane::SendData(platform_, *sheet, *commands, *delays, request, feed);
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

void LoadRunner::Finish() {
  if (worker_.joinable()) worker_.join();
  qApp->removeEventFilter(this);
  Document& document = window_.document();
  // The target's window was put back behind ours: the progress window stays
  // in sight (without the focus) until the summary has been read.
  if (progress_.isVisible()) progress_.raise();
  document.prompter().Message(result_.title, result_.message, Buttons::kOk);
  progress_.hide();
  loading_ = false;

  // Stopped early: what was not loaded stays selected for the next load.
  const bool stopped = result_.found && !result_.completed;
  if (stopped && !range_.Empty()) {
    const int next_row = range_.top + result_.rows;
    if (next_row <= range_.bottom) {
      window_.Grid()->SelectRange(GridRect{range_.left, next_row, range_.right, range_.bottom});
      window_.statusBar()->showMessage(
          QStringLiteral("Load stopped: rows %1 to %2 are selected; Send Data with "
                         "\"Load selected cells only\" resumes from row %1.")
              .arg(next_row)
              .arg(range_.bottom));
    }
  }
  emit LoadFinished();
  if (quit_after_load_) window_.close();
}

void LoadRunner::WaitForLoad() {
  while (loading_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

bool LoadRunner::eventFilter(QObject* watched, QEvent* event) {
  if (!loading_) return false;
  if (watched == &window_ && event->type() == QEvent::Close) {
    // Quitting waits for the load to end between two cells.
    quit_after_load_ = true;
    event->ignore();
    return true;
  }
  if (watched->isWidgetType() && IsUserInput(event->type())) return true;
  return false;
}

}  // namespace typelane::ui
