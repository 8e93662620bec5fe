#pragma once

#include <QPoint>
#include <QTableView>

#include "ui/grid/GridRect.h"

class QTimer;

namespace typelane::ui {

class SheetModel;
class CellDelegate;

// The sheet grid grdTypelane: a table view over a SheetModel with fixed row
// heights, row numbers and titles in bold headers, one rectangular selection
// and in-place editing. Everything it reports is in sheet coordinates.
//
// Modes: select mode (a range can be selected) until a key that types, Delete,
// Backspace, F2, Enter or a double-click opens the in-place editor (edit
// mode); Escape, a click or leaving the cell returns to select mode. Any key
// but the navigation keys collapses the selection to the current cell first.
//
// Headers: pressing a row or column header selects that whole row or column,
// dragging over the headers extends it (scrolling on when the pointer leaves
// the view), the corner selects every cell. A right press inside a selection
// of whole rows (columns) keeps it, so the pop-up menu acts on it.
class EditGrid : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kRowHeight = 24;

  explicit EditGrid(SheetModel* model, QWidget* parent = nullptr);

  SheetModel* sheetModel() const { return model_; }

  // The selection as one rectangle (the current cell when nothing is
  // selected). Read from the selection's ranges, never from a list of indexes.
  GridRect Selection() const;
  int CurrentRow() const;  // sheet row of the current cell, 0 when none
  int CurrentCol() const;
  // Makes the cell current and the selection; the grid's click follows.
  void SetCurrentCell(int row, int col);
  // Selects rect with its top-left cell current; not a click.
  void SelectRange(const GridRect& rect);
  // 1: whole rows of the selection, 2: whole columns, 3: every cell.
  void Select(int kind);
  bool Editing() const { return state() == QAbstractItemView::EditingState; }
  // Stores what the in-place editor holds into the cell and closes it, so a
  // command sees (and a save writes) what the user has typed.
  void CommitEditor();
  // The in-place editor while it is open.
  QWidget* Editor() const;

  // The cell that was current at the previous click: while CurrentCellChanged
  // is being told, the cell the user left. 0 for the row (column) while a drag
  // over the column (row) headers goes on.
  int AnchorRow() const { return anchor_row_; }
  int AnchorCol() const { return anchor_col_; }
  // The program moves the current cell where the user did not click (after
  // rows or columns were inserted or deleted): the next click checks nothing.
  void ForgetAnchor() { anchor_row_ = anchor_col_ = 0; }
  // Runs f with every move of the current cell told as CurrentCellMoved, not
  // as a click (an edit that moves rows under the current cell).
  template <typename F>
  void Quietly(F&& f) {
    const bool was = quiet_;
    quiet_ = true;
    f();
    quiet_ = was;
  }

  // Column widths from the sheet (after New and Open, and after edits that
  // moved or sized columns).
  void ApplyColumnWidths();

  // The text of the top-left corner: "Title", or empty for tab-delimited text.
  void SetCornerText(const QString& text);
  const QString& CornerText() const { return corner_text_; }

 signals:
  // The grid's click: the current cell was set by a click, a key or the
  // program. Told after the press or key has finished selecting, so the
  // selection is the new one; AnchorRow/AnchorCol still name the cell left.
  void CurrentCellChanged(int row, int col);
  // The current cell moved with a whole-row, whole-column or whole-sheet
  // selection (not a click: no drop-list check, no command insertion).
  void CurrentCellMoved(int row, int col);
  // The user changed the sheet through the grid (a key typed, a column width).
  void Changed();
  void EditorTextChanged(const QString& text);
  // Delete or Backspace in select mode: the selection is to be emptied.
  void ClearRequested();
  // Shift+Insert.
  void PasteRequested();
  // A double-click on a title, not on a column border.
  void TitleDoubleClicked(int col);
  // A double-click on the right border of a column's title.
  void BorderDoubleClicked(int col);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  // Runs f with the grid's click held back until it has finished.
  template <typename F>
  void Deferring(F&& f);
  void Click();
  void SelectQuietly(const GridRect& rect, int current_row, int current_col);
  bool OnColumnBorder(int x) const;
  // Header mouse handling; true when the event was used.
  bool HeaderEvent(bool columns, QEvent* event);
  void HeaderPress(Qt::MouseButton button, int col, int row);
  void HeaderDoubleClick(int col, int row);
  void DragTo(const QPoint& viewport_pos);
  void ColumnResized(int column, int old_size, int new_size);

  SheetModel* model_;
  CellDelegate* delegate_;
  QString corner_text_;
  bool applying_widths_ = false;

  int anchor_row_ = 0;
  int anchor_col_ = 0;
  // Set by a double-click on a header: the press that carries it selects
  // nothing from the headers.
  bool double_click_ = false;
  // The left button went down on a header (not on a border) and is held.
  bool header_drag_ = false;
  bool resizing_ = false;
  QPoint drag_pos_;  // last pointer position of a header drag, grid viewport
  QTimer* drag_timer_ = nullptr;
  int defer_depth_ = 0;
  bool click_pending_ = false;
  bool quiet_ = false;  // current cell moved by a whole selection
};

}  // namespace typelane::ui
