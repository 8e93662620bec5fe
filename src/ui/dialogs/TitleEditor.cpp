#include "ui/dialogs/TitleEditor.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/common/GridEditor.h"

namespace typelane::ui {

TitleEditor::TitleEditor(const QStringList& titles, int current_column, QWidget* parent)
    : QDialog(parent), current_column_(current_column) {
  setObjectName(QStringLiteral("frmTitle"));
  setWindowTitle(QStringLiteral("Typelane Heading Editor"));
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);

  grid_ = new QTableWidget(1, static_cast<int>(titles.size()), this);
  grid_->setObjectName(QStringLiteral("grdTitles"));
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->setVerticalHeaderLabels({QStringLiteral("Title")});
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (int c = 0; c < titles.size(); ++c) {
    grid_->setItem(0, c, new QTableWidgetItem(titles[c]));
  }
  grid_->setFixedHeight(grid_->verticalHeader()->sectionSize(0) +
                        grid_->horizontalScrollBar()->sizeHint().height() + 4);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_);
  layout->addWidget(buttons);
  setFixedSize(640, sizeHint().height());
}

QStringList TitleEditor::Titles() const {
  // A cell still being edited counts.
  if (QWidget* editor = grid_->indexWidget(grid_->currentIndex())) {
    StoreGridEditor(grid_, editor);
  }
  QStringList titles;
  for (int c = 0; c < grid_->columnCount(); ++c) {
    const QTableWidgetItem* item = grid_->item(0, c);
    titles << (item != nullptr ? item->text() : QString());
  }
  return titles;
}

void TitleEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Keys go to the grid's in-place editors, which come and go: watch them all.
  qApp->installEventFilter(this);
  // At the main grid's current column.
  if (grid_->columnCount() == 0) return;
  const int column = std::clamp(current_column_ - 1, 0, grid_->columnCount() - 1);
  grid_->setCurrentCell(0, column);
  grid_->scrollToItem(grid_->item(0, column), QAbstractItemView::PositionAtTop);
  grid_->setFocus();
  editor_opened_ = false;
  if (isActiveWindow()) {
    editor_opened_ = true;
    QTimer::singleShot(0, this, &TitleEditor::OpenEditor);
  } else {
    // Without a window manager nothing gives a new dialog the keyboard.
    activateWindow();
  }
}

void TitleEditor::hideEvent(QHideEvent* event) {
  qApp->removeEventFilter(this);
  QDialog::hideEvent(event);
}

bool TitleEditor::event(QEvent* event) {
  // An in-place editor opened before the window is active loses the keys
  // typed into it: it is opened once the window has the keyboard.
  if (event->type() == QEvent::WindowActivate && !editor_opened_) {
    editor_opened_ = true;
    QTimer::singleShot(0, this, &TitleEditor::OpenEditor);
  }
  return QDialog::event(event);
}

void TitleEditor::OpenEditor() {
  editor_opened_ = true;
  QTableWidgetItem* item = grid_->currentItem();
  if (item == nullptr) return;
  grid_->setFocus();
  grid_->editItem(item);
  if (QWidget* editor = OpenGridEditor(grid_)) editor->setFocus();
}

bool TitleEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && (widget == grid_ || grid_->isAncestorOf(widget))) emit KeyTyped();
    QWidget* editor = OpenGridEditor(grid_);
    if (editor != nullptr && watched == editor) {
      // Return in a title cell stores it and keeps the dialog open (OK is the
      // next Return); Esc cancels the dialog as it does everywhere else in it.
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        StoreAndCloseGridEditor(grid_, editor);
        grid_->setFocus();
        return true;
      }
      if (key == Qt::Key_Escape) {
        CloseGridEditor(grid_, editor);
        reject();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace typelane::ui
