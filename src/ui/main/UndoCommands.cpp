#include "ui/main/UndoCommands.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>
#include <algorithm>

#include "core/document/Document.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {
namespace {

// The row of the toolbar that holds button, and where in it.
std::pair<QBoxLayout*, int> PlaceOf(QWidget* button) {
  QLayout* rows = button->parentWidget() != nullptr ? button->parentWidget()->layout() : nullptr;
  if (rows == nullptr) return {nullptr, -1};
  for (int i = 0; i < rows->count(); ++i) {
    auto* row = qobject_cast<QBoxLayout*>(rows->itemAt(i)->layout());
    if (row != nullptr && row->indexOf(button) >= 0) return {row, row->indexOf(button)};
  }
  return {nullptr, -1};
}

}  // namespace

UndoCommands::UndoCommands(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("UndoCommands"));

  // At the top of the Edit menu, as every editor has them; Ctrl+Y and
  // Ctrl+Shift+Z both redo.
  undo_ = new QAction(QStringLiteral("&Undo"), &window_);
  undo_->setObjectName(QStringLiteral("mnuUndo"));
  undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo_ = new QAction(QStringLiteral("&Redo"), &window_);
  redo_->setObjectName(QStringLiteral("mnuRedo"));
  redo_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  for (QAction* action : {undo_, redo_}) {
    action->setShortcutContext(Qt::WindowShortcut);
    window_.actions_[action->objectName()] = action;
  }
  if (QAction* edit = window_.Action(QStringLiteral("mnuEdit"))) {
    QMenu* menu = edit->menu();
    QAction* first = menu->actions().value(0);
    menu->insertActions(first, {undo_, redo_});
    QAction* bar = menu->insertSeparator(first);
    bar->setObjectName(QStringLiteral("mnuBarUndo"));
  }
  connect(undo_, &QAction::triggered, this, &UndoCommands::Undo);
  connect(redo_, &QAction::triggered, this, &UndoCommands::Redo);

  // Beside Paste on the toolbar.
  QToolButton* paste = window_.buttons_.at(QStringLiteral("icnPaste"));
  const auto [row, at] = PlaceOf(paste);
  undo_button_ = window_.AddButton("icnUndo", "Undo", "Undo");
  redo_button_ = window_.AddButton("icnRedo", "Redo", "Redo");
  if (row != nullptr) {
    row->insertWidget(at + 1, undo_button_);
    row->insertWidget(at + 2, redo_button_);
  }
  undo_button_->setAccessibleName(QStringLiteral("Undo"));
  redo_button_->setAccessibleName(QStringLiteral("Redo"));
  connect(undo_button_, &QToolButton::clicked, this, &UndoCommands::Undo);
  connect(redo_button_, &QToolButton::clicked, this, &UndoCommands::Redo);

  window_.document_.AddObserver(this);
  HistoryChanged();
}

UndoCommands::~UndoCommands() { window_.document_.RemoveObserver(this); }

void UndoCommands::Undo() {
  // A text box takes back its own typing, as Ctrl+Z does inside it.
  QWidget* focus = QApplication::focusWidget();
  if (auto* line = qobject_cast<QLineEdit*>(focus); line != nullptr && !line->isReadOnly()) {
    line->undo();
    return;
  }
  if (auto* text = qobject_cast<QPlainTextEdit*>(focus); text != nullptr && !text->isReadOnly()) {
    text->undo();
    return;
  }
  window_.grid_->CommitEditor();
  Document& document = window_.document_;
  CellRect cells;
  if (document.History().Undo(document, &cells)) ShowChange(cells);
}

void UndoCommands::Redo() {
  QWidget* focus = QApplication::focusWidget();
  if (auto* line = qobject_cast<QLineEdit*>(focus); line != nullptr && !line->isReadOnly()) {
    line->redo();
    return;
  }
  if (auto* text = qobject_cast<QPlainTextEdit*>(focus); text != nullptr && !text->isReadOnly()) {
    text->redo();
    return;
  }
  window_.grid_->CommitEditor();
  Document& document = window_.document_;
  CellRect cells;
  if (document.History().Redo(document, &cells)) ShowChange(cells);
}

void UndoCommands::ShowChange(const CellRect& cells) {
  EditGrid* grid = window_.grid_;
  const Sheet& sheet = window_.document_.sheet;
  if (!cells.Empty()) {
    // The changed cells within the used extent (a whole row changed reaches
    // to the grid's last column; titles are shown from row 1). Rows that are
    // gone (a delete done again) leave the cell where they were current.
    const int rows = std::max(grid->model()->rowCount(), 1);
    const int cols = std::max(grid->model()->columnCount(), 1);
    GridRect shown;
    shown.top = std::clamp(cells.top, 1, rows);
    shown.left = std::clamp(cells.left, 1, cols);
    shown.bottom = std::clamp(std::min(cells.bottom, sheet.LastRow()), shown.top, rows);
    shown.right = std::clamp(std::min(cells.right, sheet.LastCol()), shown.left, cols);
    if (shown.top > sheet.LastRow() || shown.left > sheet.LastCol()) {
      shown.bottom = shown.top;
      shown.right = shown.left;
    }
    grid->SelectRange(shown);
    grid->scrollTo(grid->model()->index(shown.top - 1, shown.left - 1));
    // The cell left behind may have moved: nothing of it is checked.
    grid->ForgetAnchor();
  }
  if (!window_.comment_box_->hasFocus()) window_.HideCommentBox();
  window_.ShowCurrentCell(grid->CurrentRow(), grid->CurrentCol());
  window_.UpdateSaveState();
  window_.UpdateSizeText();
}

void UndoCommands::HistoryChanged() {
  const UndoHistory& history = window_.document_.History();
  const QString undo_name = QString::fromStdString(history.UndoName());
  const QString redo_name = QString::fromStdString(history.RedoName());
  const bool can_undo = history.CanUndo();
  const bool can_redo = history.CanRedo();
  undo_->setText(can_undo ? QStringLiteral("&Undo ") + undo_name : QStringLiteral("&Undo"));
  redo_->setText(can_redo ? QStringLiteral("&Redo ") + redo_name : QStringLiteral("&Redo"));
  undo_->setEnabled(can_undo);
  redo_->setEnabled(can_redo);
  const QString undo_hint = can_undo ? QStringLiteral("Undo ") + undo_name : QStringLiteral("Undo");
  const QString redo_hint = can_redo ? QStringLiteral("Redo ") + redo_name : QStringLiteral("Redo");
  undo_button_->setEnabled(can_undo);
  redo_button_->setEnabled(can_redo);
  undo_button_->setToolTip(undo_hint);
  redo_button_->setToolTip(redo_hint);
  undo_button_->setAccessibleDescription(undo_hint);
  redo_button_->setAccessibleDescription(redo_hint);
  undo_->setStatusTip(undo_hint);
  redo_->setStatusTip(redo_hint);
}

void UndoCommands::SheetReset(const SheetExtent& /*extent*/) { HistoryChanged(); }

}  // namespace typelane::ui
