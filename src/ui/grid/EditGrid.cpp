#include "ui/grid/EditGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTimer>
#include <algorithm>
#include <string>

#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
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

  // Header presses and drags select whole rows and columns (see HeaderEvent);
  // a double-click on a column's right border fits the column.
  cols->viewport()->installEventFilter(this);
  rows->viewport()->installEventFilter(this);
  connect(cols, &QHeaderView::sectionHandleDoubleClicked, this,
          [this](int logical) { emit BorderDoubleClicked(logical + 1); });
  drag_timer_ = new QTimer(this);
  drag_timer_->setInterval(50);
  connect(drag_timer_, &QTimer::timeout, this, [this] {
    if (header_drag_ && (QApplication::mouseButtons() & Qt::LeftButton) != 0) {
      DragTo(drag_pos_);
    } else {
      drag_timer_->stop();
    }
  });

  model_->SetCellFont(font());
  connect(model_, &SheetModel::SheetReplaced, this, [this] {
    // The cell left behind belongs to the sheet that is gone.
    ForgetAnchor();
    ApplyColumnWidths();
  });
  connect(model_, &SheetModel::WidthsChanged, this, [this] { ApplyColumnWidths(); });

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

void EditGrid::SelectRange(const GridRect& rect) { SelectQuietly(rect, rect.top, rect.left); }

void EditGrid::SelectQuietly(const GridRect& rect, int current_row, int current_col) {
  const QModelIndex top_left = model_->index(rect.top - 1, rect.left - 1);
  const QModelIndex bottom_right = model_->index(rect.bottom - 1, rect.right - 1);
  const QModelIndex current = model_->index(current_row - 1, current_col - 1);
  if (!top_left.isValid() || !bottom_right.isValid()) return;
  Quietly([&] {
    if (current.isValid())
      selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(top_left, bottom_right),
                             QItemSelectionModel::ClearAndSelect);
  });
}

void EditGrid::Select(int kind) {
  const int rows = model_->rowCount();
  const int cols = model_->columnCount();
  if (rows == 0 || cols == 0) return;
  const GridRect s = Selection();
  switch (kind) {
    case 1:  // rows Top..Bottom; the current cell in column 1
      SelectQuietly({1, s.top, cols, s.bottom}, s.bottom, 1);
      break;
    case 2:  // columns Left..Right; the current cell in row 1
      SelectQuietly({s.left, 1, s.right, rows}, 1, s.right);
      break;
    case 3:
      SelectQuietly({1, 1, cols, rows}, 1, 1);
      break;
    default:
      break;
  }
}

QWidget* EditGrid::Editor() const {
  if (!Editing()) return nullptr;
  return indexWidget(currentIndex());
}

void EditGrid::CommitEditor() {
  QWidget* editor = Editor();
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
  // One drag of a border is one step, however many sizes it went through.
  const EditStep step(model_->document(), "Column Width", "width " + std::to_string(column));
  model_->document().sheet.SetColumnWidth(column + 1, new_size);
  emit Changed();
}

// ---- the grid's click ----

template <typename F>
void EditGrid::Deferring(F&& f) {
  ++defer_depth_;
  f();
  if (--defer_depth_ == 0 && click_pending_) {
    click_pending_ = false;
    Click();
  }
}

void EditGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (!current.isValid()) return;
  if (quiet_) {
    emit CurrentCellMoved(current.row() + 1, current.column() + 1);
  } else if (defer_depth_ > 0) {
    click_pending_ = true;
  } else {
    Click();
  }
}

void EditGrid::Click() {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  // The handlers still see in the anchors the cell that was current at the
  // previous click; it becomes the current one only afterwards.
  emit CurrentCellChanged(current.row() + 1, current.column() + 1);
  anchor_row_ = CurrentRow();
  anchor_col_ = CurrentCol();
}

void EditGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::RightButton && index.isValid() &&
      selectionModel()->isSelected(index)) {
    // The pop-up menu acts on the selection the press fell into.
    setFocus(Qt::MouseFocusReason);
    event->accept();
    return;
  }
  if (event->button() == Qt::RightButton && index.isValid()) {
    setFocus(Qt::MouseFocusReason);
    SetCurrentCell(index.row() + 1, index.column() + 1);
    event->accept();
    return;
  }
  Deferring([&] { QTableView::mousePressEvent(event); });
}

void EditGrid::mouseMoveEvent(QMouseEvent* event) {
  // Dragging a selection moves the current cell along: not a click of its
  // own, or every empty cell passed over would get its column's command.
  if ((event->buttons() & Qt::LeftButton) != 0) {
    Quietly([&] { QTableView::mouseMoveEvent(event); });
  } else {
    QTableView::mouseMoveEvent(event);
  }
}

// ---- keys ----

namespace {

// Keys that leave select mode alone: they move around or do nothing to cells.
bool NavigationKey(int key) {
  switch (key) {
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Insert:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_F1:
      return true;
    default:
      return key >= Qt::Key_F3 && key <= Qt::Key_F24;
  }
}

}  // namespace

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
  const QModelIndex index = currentIndex();
  const bool command_key = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
  if (!Editing() && index.isValid() && !command_key && !NavigationKey(event->key())) {
    // Leaving select mode: Delete and Backspace empty the selection first,
    // then the selection shrinks to the current cell.
    const int key = event->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) emit ClearRequested();
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    if (key == Qt::Key_Escape) {
      event->accept();
      return;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace || key == Qt::Key_Return ||
        key == Qt::Key_Enter) {
      event->accept();
      edit(index);
      return;
    }
    const bool typed = !event->text().isEmpty() && event->text().at(0).isPrint();
    // A cell too long to edit takes no typing (nor does the view's search
    // for a cell starting with the letter run over it).
    if (typed && !(model_->flags(index) & Qt::ItemIsEditable)) {
      event->accept();
      return;
    }
    // A character typed into the grid is a change, as every key it takes.
    if (typed) emit Changed();
  }
  Deferring([&] { QTableView::keyPressEvent(event); });
}

// ---- headers ----

bool EditGrid::OnColumnBorder(int x) const {
  const QHeaderView* header = horizontalHeader();
  const int logical = header->logicalIndexAt(x);
  if (logical < 0) return false;
  const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header);
  const int pos = x - header->sectionViewportPosition(logical);
  const int size = header->sectionSize(logical);
  return (pos < grip && header->visualIndex(logical) > 0) || size - pos < grip;
}

void EditGrid::HeaderPress(Qt::MouseButton button, int col, int row) {
  const GridRect s = Selection();
  const int rows = model_->rowCount();
  const int cols = model_->columnCount();
  if (!double_click_) {
    if (col == 0 && row == 0) {
      Select(3);
    } else if (col == 0 && row > 0) {
      const bool kept = button == Qt::RightButton && s.left == 1 && s.right == cols &&
                        row >= s.top && row <= s.bottom;
      if (!kept) {
        SetCurrentCell(row, 1);  // the click records the anchor row
        anchor_col_ = 0;
        Select(1);
      }
    } else if (row == 0 && col > 0) {
      const bool kept = button == Qt::RightButton && s.top == 1 && s.bottom == rows &&
                        col >= s.left && col <= s.right;
      if (!kept) {
        SetCurrentCell(1, col);
        anchor_row_ = 0;
        Select(2);
      }
    }
  }
  double_click_ = false;
}

void EditGrid::HeaderDoubleClick(int col, int row) {
  double_click_ = true;
  if (col == 0 && row == 0) {
    SetCurrentCell(1, 1);
  } else if (col == 0 && row > 0) {
    SetCurrentCell(row, 1);
  } else if (row == 0 && col > 0) {
    SetCurrentCell(1, col);
  }
  // The press that carries the double-click selects nothing more.
  double_click_ = false;
  if (row == 0 && col > 0) emit TitleDoubleClicked(col);
}

void EditGrid::DragTo(const QPoint& pos) {
  drag_pos_ = pos;
  const QRect area = viewport()->rect();
  const bool rows = anchor_col_ == 0 && anchor_row_ > 0;
  const bool cols = anchor_row_ == 0 && anchor_col_ > 0;
  if (!rows && !cols) return;
  bool outside = false;
  if (rows) {
    const int count = model_->rowCount();
    const int first = std::max(rowAt(0), 0);
    int last = rowAt(area.height() - 1);
    if (last < 0) last = count - 1;
    int v;  // model row under the pointer
    if (pos.y() < 0) {
      outside = true;
      v = std::max(first - 1, 0);
      scrollTo(model_->index(v, std::max(columnAt(0), 0)), QAbstractItemView::PositionAtTop);
    } else if (pos.y() >= area.height()) {
      outside = true;
      v = std::min(last + 1, count - 1);
      scrollTo(model_->index(v, std::max(columnAt(0), 0)), QAbstractItemView::PositionAtBottom);
    } else {
      v = rowAt(pos.y());
      if (v < 0) v = count - 1;
    }
    const int row = v + 1;
    const GridRect s = Selection();
    SelectQuietly({s.left, std::min(row, anchor_row_), s.right, std::max(row, anchor_row_)},
                  CurrentRow(), CurrentCol());
  } else {
    const int count = model_->columnCount();
    const int first = std::max(columnAt(0), 0);
    int last = columnAt(area.width() - 1);
    if (last < 0) last = count - 1;
    int u;
    if (pos.x() < 0) {
      outside = true;
      u = std::max(first - 1, 0);
      scrollTo(model_->index(std::max(rowAt(0), 0), u), QAbstractItemView::PositionAtTop);
    } else if (pos.x() >= area.width()) {
      outside = true;
      u = std::min(last + 1, count - 1);
      scrollTo(model_->index(std::max(rowAt(0), 0), u), QAbstractItemView::PositionAtBottom);
    } else {
      u = columnAt(pos.x());
      if (u < 0) u = count - 1;
    }
    const int col = u + 1;
    const GridRect s = Selection();
    SelectQuietly({std::min(col, anchor_col_), s.top, std::max(col, anchor_col_), s.bottom},
                  CurrentRow(), CurrentCol());
  }
  // Held still outside the view, the drag goes on scrolling.
  if (outside) {
    drag_timer_->start();
  } else {
    drag_timer_->stop();
  }
}

bool EditGrid::HeaderEvent(bool columns, QEvent* event) {
  QHeaderView* header = columns ? horizontalHeader() : verticalHeader();
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint pos = mouse->position().toPoint();
  const int along = columns ? pos.x() : pos.y();
  const int logical = header->logicalIndexAt(along);
  const int col = columns ? logical + 1 : 0;
  const int row = columns ? 0 : logical + 1;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (columns && mouse->button() == Qt::LeftButton && OnColumnBorder(pos.x())) {
        resizing_ = true;
        return false;  // the header sizes the column
      }
      if (logical < 0) return true;
      if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton) return true;
      setFocus();
      HeaderPress(mouse->button(), col, row);
      header_drag_ = mouse->button() == Qt::LeftButton;
      return true;
    case QEvent::MouseMove:
      if (resizing_ || !header_drag_ || (mouse->buttons() & Qt::LeftButton) == 0) return false;
      DragTo(viewport()->mapFromGlobal(header->viewport()->mapToGlobal(pos)));
      return true;
    case QEvent::MouseButtonRelease:
      if (resizing_) {
        resizing_ = false;
        return false;
      }
      if (mouse->button() == Qt::LeftButton) {
        header_drag_ = false;
        drag_timer_->stop();
        viewport()->update();
      }
      return true;
    case QEvent::MouseButtonDblClick:
      if (columns && OnColumnBorder(pos.x())) return false;  // sectionHandleDoubleClicked
      if (logical >= 0 && mouse->button() == Qt::LeftButton) HeaderDoubleClick(col, row);
      return true;
    default:
      return false;
  }
}

bool EditGrid::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                     type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
  if (mouse && watched == horizontalHeader()->viewport()) return HeaderEvent(true, event);
  if (mouse && watched == verticalHeader()->viewport()) return HeaderEvent(false, event);
  auto* corner = qobject_cast<QAbstractButton*>(watched);
  if (type == QEvent::ContextMenu && (watched == horizontalHeader()->viewport() ||
                                      watched == verticalHeader()->viewport() || corner)) {
    // The pop-up menu opens over the headers too, acting on what the press
    // selected (or kept).
    auto* menu = static_cast<QContextMenuEvent*>(event);
    emit customContextMenuRequested(viewport()->mapFromGlobal(menu->globalPos()));
    return true;
  }
  if (corner != nullptr && mouse) {
    if (type == QEvent::MouseButtonPress) {
      setFocus();
      HeaderPress(static_cast<QMouseEvent*>(event)->button(), 0, 0);
    } else if (type == QEvent::MouseButtonDblClick) {
      HeaderDoubleClick(0, 0);
    }
    return true;
  }
  if (corner != nullptr && type == QEvent::Paint) {
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
