// The main window's file flow: new, open, save, recent files, the file named on the
// command line, closing.
#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include "core/document/CommandLine.h"
#include "core/document/Document.h"
#include "core/edit/CellEdits.h"
#include "core/edit/Comments.h"
#include "core/edit/Titles.h"
#include "core/files/ProgramFolder.h"
#include "core/forms/Playback.h"
#include "ui/common/CellText.h"
#include "ui/dialogs/TitleEditor.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/AboutBox.h"
#include "ui/main/DialogHost.h"
#include "ui/main/EditCommands.h"
#include "ui/main/LoadRunner.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {

namespace {

// A menu entry shows an ampersand in a path as itself, not as an access key.
QString MenuText(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return escaped;
}

}  // namespace

void MainWindow::UpdateRecentFiles() {
  const auto& recent = document_.RecentFiles();
  for (int n = 1; n <= 5; ++n) {
    QAction* entry = Action(QStringLiteral("mnuFile%1").arg(n));
    const std::string& path = recent[static_cast<size_t>(n - 1)];
    // Numbered 1 to 5, the number its access key, then the path.
    entry->setText(path.empty() ? QString()
                                : QStringLiteral("&%1 ").arg(n) + MenuText(PathToText(path)));
    entry->setVisible(!path.empty());
  }
}

void MainWindow::NewSheet() {
  grid_->CommitEditor();
  if (document_.NewSheet()) {
    dialogs_->DocumentReset();
    cell_text_box_->clear();
    ShowDocument(true);
  } else {
    UpdateSaveState();
  }
}

void MainWindow::OpenFile(const std::string& name) {
  const bool opened = document_.OpenFile(name);
  dialogs_->DocumentReset();
  // A failed or cancelled open may still have reset the sheet or answered the
  // save question: show whatever the document is now.
  ShowDocument(true);
  if (opened) grid_->setFocus();
}

void MainWindow::SaveFile(bool save_as) {
  const DocumentKind kind = document_.Kind();
  document_.SaveFile(save_as);
  // Save As may have changed the kind (and with it the titles of kind 2).
  ShowDocument(kind != document_.Kind());
}

void MainWindow::OpenCommandLineFile() {
  if (command_line_handled_) return;
  command_line_handled_ = true;
  // The window is complete on screen before any file is read.
  repaint();
  grid_->repaint();
  std::string path = JoinCommandLine(command_line_);
  if (path.empty()) return;
  // The caption and the recent files show full paths: a name given relative to
  // the folder the program was started in is completed here.
  path = TextToPath(QFileInfo(PathToText(path)).absoluteFilePath());
  OpenFile(path);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !command_line_handled_) {
    QTimer::singleShot(0, this, &MainWindow::OpenCommandLineFile);
  }
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  grid_->CommitEditor();
  if (!document_.QueryClose()) {
    // The user wanted to save and the save did not happen: keep the window.
    event->ignore();
    UpdateSaveState();
    return;
  }
  event->accept();
}

}  // namespace typelane::ui
