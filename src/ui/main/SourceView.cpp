// The playback file's source view, shown in place of the grid.
#include <QAction>
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
  grid_->hide();
  grid_->setEnabled(false);
  for (const char* name : {"icnHideSource", "icnViewSource"}) {
    const bool hide_item = QByteArray(name).contains("Hide");
    buttons_.at(QString::fromLatin1(name))->setVisible(hide_item);
    buttons_.at(QString::fromLatin1(name))->setEnabled(hide_item);
  }
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
  source_->clear();
  source_->hide();
  source_->setEnabled(false);
  buttons_.at(QStringLiteral("icnViewSource"))->setVisible(true);
  buttons_.at(QStringLiteral("icnViewSource"))->setEnabled(true);
  buttons_.at(QStringLiteral("icnHideSource"))->setVisible(false);
  buttons_.at(QStringLiteral("icnHideSource"))->setEnabled(false);
  Action(QStringLiteral("mnuViewSource"))->setVisible(true);
  Action(QStringLiteral("mnuViewSource"))->setEnabled(true);
  Action(QStringLiteral("mnuHideSource"))->setVisible(false);
  Action(QStringLiteral("mnuHideSource"))->setEnabled(false);
}

}  // namespace typelane::ui
