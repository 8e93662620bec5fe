// The playback file's source view, shown in place of the grid.
#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QToolButton>

#include "core/document/Document.h"
#include "core/forms/Playback.h"
#include "ui/common/CellText.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {

void MainWindow::ShowSource() {
  if (document_.Kind() != DocumentKind::kPlayback) return;
  std::string text;
  try {
    text = typelane::ShowSource(document_);
  } catch (const std::exception& e) {
    document_.prompter().Error(e.what());
    return;
  }
  source_->setPlainText(BytesToText(text));
  source_->setEnabled(true);
  source_->show();
  // A focused grid that is hidden passes the focus on as Tab would, which
  // moves its current cell and checks the cell left against its drop list:
  // the source view takes the focus first, and the current cell stays put.
  const int row = grid_->CurrentRow();
  const int col = grid_->CurrentCol();
  if (grid_->hasFocus() || grid_->isAncestorOf(QApplication::focusWidget())) source_->setFocus();
  grid_->hide();
  grid_->setEnabled(false);
  if (grid_->CurrentRow() != row || grid_->CurrentCol() != col) {
    grid_->Quietly([&] { grid_->SetCurrentCell(row, col); });
  }
  // The two buttons share one place: the one going first, so the toolbar is
  // never a button wider (at large font sizes that would widen the window).
  buttons_.at(QStringLiteral("icnViewSource"))->setVisible(false);
  buttons_.at(QStringLiteral("icnViewSource"))->setEnabled(false);
  buttons_.at(QStringLiteral("icnHideSource"))->setVisible(true);
  buttons_.at(QStringLiteral("icnHideSource"))->setEnabled(true);
  Action(QStringLiteral("mnuHideSource"))->setVisible(true);
  Action(QStringLiteral("mnuHideSource"))->setEnabled(true);
  Action(QStringLiteral("mnuViewSource"))->setVisible(false);
  Action(QStringLiteral("mnuViewSource"))->setEnabled(false);
  // The writer may have normalised list-of-values cells.
  document_.CellsChanged(CellRect{1, 1, document_.sheet.LastRow(), document_.sheet.LastCol()});
}

void MainWindow::HideSource() {
  if (document_.forms.source_view) typelane::HideSource(document_);
  grid_->setEnabled(true);
  grid_->show();
  // The grid, not the next control in the tab order, gets the focus back.
  if (source_->hasFocus()) grid_->setFocus();
  source_->clear();
  source_->hide();
  source_->setEnabled(false);
  buttons_.at(QStringLiteral("icnHideSource"))->setVisible(false);
  buttons_.at(QStringLiteral("icnHideSource"))->setEnabled(false);
  buttons_.at(QStringLiteral("icnViewSource"))->setVisible(true);
  buttons_.at(QStringLiteral("icnViewSource"))->setEnabled(true);
  Action(QStringLiteral("mnuViewSource"))->setVisible(true);
  Action(QStringLiteral("mnuViewSource"))->setEnabled(true);
  Action(QStringLiteral("mnuHideSource"))->setVisible(false);
  Action(QStringLiteral("mnuHideSource"))->setEnabled(false);
}

}  // namespace typelane::ui
