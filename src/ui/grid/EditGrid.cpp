#include "ui/grid/EditGrid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionHeader>
#include <algorithm>

#include "core/document/Document.h"
#include "ui/grid/CellDelegate.h"
#include "ui/grid/SheetModel.h"

namespace typelane::ui {

EditGrid::EditGrid(SheetModel* model, QWidget* parent)
    : QTableView(parent), model_(model), delegate_(new CellDelegate(this)) {
  setObjectName(QStringLiteral("grdTypelane"));
  setModel(model_);
  setItemDelegate(delegate_);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setTabKeyNavigation(true);
  setWordWrap(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setAutoFillBackground(true);

  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Highlight, CellDelegate::SelectionColour());
  pal.setColor(QPalette::HighlightedText, Qt::white);
  setPalette(pal);

  // Rows never size themselves to their contents: a sheet of 200,000 rows
  // would be measured row by row.
  QHeaderView* rows = verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(kRowHeight);
  rows->setDefaultSectionSize(kRowHeight);
  rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  rows->setHighlightSections(false);
  // Wide enough for "Title" in the corner and for six-digit row numbers.
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  rows->setMinimumWidth(std::max(metrics.horizontalAdvance(QStringLiteral("Title")),
                                 metrics.horizontalAdvance(QStringLiteral("000000"))) +
                        12);
  QHeaderView* cols = horizontalHeader();
  cols->setSectionResizeMode(QHeaderView::Interactive);
  cols->setDefaultSectionSize(Sheet::kDefaultColumnWidth);
  cols->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  cols->setHighlightSections(false);
  connect(cols, &QHeaderView::sectionResized, this, &EditGrid::ColumnResized);

  connect(delegate_, &CellDelegate::EditorTextChanged, this, &EditGrid::EditorTextChanged);

  // The corner shows "Title" (or nothing); a press on it still selects all.
  if (auto* corner = findChild<QAbstractButton*>()) corner->installEventFilter(this);
  SetCornerText(QStringLiteral("Title"));
  ApplyColumnWidths();
}

GridRect EditGrid::Selection() const {
  const QItemSelection selection = selectionModel()->selection();
  const QModelIndex current = currentIndex();
  if (selection.isEmpty()) {
    const int row = current.isValid() ? current.row() + 1 : 1;
    const int col = current.isValid() ? current.column() + 1 : 1;
    return {col, row, col, row};
  }
  GridRect r{selection.first().left() + 1, selection.first().top() + 1,
             selection.first().right() + 1, selection.first().bottom() + 1};
  for (const QItemSelectionRange& range : selection) {
    r.left = std::min(r.left, range.left() + 1);
    r.top = std::min(r.top, range.top() + 1);
    r.right = std::max(r.right, range.right() + 1);
    r.bottom = std::max(r.bottom, range.bottom() + 1);
  }
  return r;
}

int EditGrid::CurrentRow() const {
  const QModelIndex c = currentIndex();
  return c.isValid() ? c.row() + 1 : 0;
}

int EditGrid::CurrentCol() const {
  const QModelIndex c = currentIndex();
  return c.isValid() ? c.column() + 1 : 0;
}

void EditGrid::SetCurrentCell(int row, int col) {
  const QModelIndex index = model_->index(row - 1, col - 1);
  if (!index.isValid()) return;
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

void EditGrid::SelectRange(const GridRect& rect) {
  const QModelIndex top_left = model_->index(rect.top - 1, rect.left - 1);
  const QModelIndex bottom_right = model_->index(rect.bottom - 1, rect.right - 1);
  if (!top_left.isValid() || !bottom_right.isValid()) return;
  selectionModel()->setCurrentIndex(top_left, QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(top_left, bottom_right),
                           QItemSelectionModel::ClearAndSelect);
}

void EditGrid::Select(int kind) {
  const int rows = model_->rowCount();
  const int cols = model_->columnCount();
  if (rows == 0 || cols == 0) return;
  const GridRect s = Selection();
  GridRect target;
  QModelIndex current;
  switch (kind) {
    case 1:
      target = {1, s.top, cols, s.bottom};
      current = model_->index(s.top - 1, 0);
      break;
    case 2:
      target = {s.left, 1, s.right, rows};
      current = model_->index(0, s.left - 1);
      break;
    case 3:
      target = {1, 1, cols, rows};
      current = model_->index(0, 0);
      break;
    default:
      return;
  }
  selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(model_->index(target.top - 1, target.left - 1),
                                          model_->index(target.bottom - 1, target.right - 1)),
                           QItemSelectionModel::ClearAndSelect);
}

void EditGrid::CommitEditor() {
  if (!Editing()) return;
  QWidget* editor = indexWidget(currentIndex());
  if (editor == nullptr) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void EditGrid::ApplyColumnWidths() {
  applying_widths_ = true;
  const Sheet& sheet = model_->document().sheet;
  QHeaderView* cols = horizontalHeader();
  for (int c = 0; c < model_->columnCount(); ++c) {
    const int width = sheet.ColumnWidth(c + 1);
    if (cols->sectionSize(c) != width) cols->resizeSection(c, width);
  }
  applying_widths_ = false;
}

void EditGrid::SetCornerText(const QString& text) {
  corner_text_ = text;
  if (auto* corner = findChild<QAbstractButton*>()) corner->update();
}

void EditGrid::ColumnResized(int column, int /*old_size*/, int new_size) {
  if (applying_widths_) return;
  model_->document().sheet.SetColumnWidth(column + 1, new_size);
  emit Changed();
}

void EditGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (current.isValid()) emit CurrentCellChanged(current.row() + 1, current.column() + 1);
}

void EditGrid::keyPressEvent(QKeyEvent* event) {
  // Copy, Cut and Paste are the Edit menu's; the view's own Copy would put just
  // the current cell on the clipboard.
  if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier) {
    event->accept();
    emit PasteRequested();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    event->accept();
    return;
  }
  if (!Editing() && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
    event->accept();
    emit ClearRequested();
    const QModelIndex index = currentIndex();
    if (index.isValid()) {
      selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
      edit(index);
    }
    return;
  }
  if (!Editing() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    const QModelIndex index = currentIndex();
    if (index.isValid()) {
      event->accept();
      selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
      edit(index);
      return;
    }
  }
  QTableView::keyPressEvent(event);
}

bool EditGrid::eventFilter(QObject* watched, QEvent* event) {
  auto* corner = qobject_cast<QAbstractButton*>(watched);
  if (corner != nullptr && event->type() == QEvent::Paint) {
    // Painted as a header section, with the corner's own text.
    QPainter painter(corner);
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.rect = corner->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = corner_text_;
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    corner->style()->drawControl(QStyle::CE_Header, &option, &painter, corner);
    return true;
  }
  return QTableView::eventFilter(watched, event);
}

}  // namespace typelane::ui
