#pragma once

#include <QTableView>

#include "ui/grid/GridRect.h"

namespace typelane::ui {

class SheetModel;
class CellDelegate;

// The sheet grid grdTypelane: a table view over a SheetModel with fixed row
// heights, row numbers and titles in bold headers, one rectangular selection
// and in-place editing. Everything it reports is in sheet coordinates.
//
// It is in select mode (a range can be selected) until a key that types,
// Delete, Backspace, F2, Enter or a double-click opens the in-place editor
// (edit mode); Escape, a click or leaving the cell returns to select mode.
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
  void SetCurrentCell(int row, int col);
  void SelectRange(const GridRect& rect);
  // 1: whole rows of the selection, 2: whole columns, 3: every cell.
  void Select(int kind);
  bool Editing() const { return state() == QAbstractItemView::EditingState; }
  // Stores what the in-place editor holds into the cell and closes it, so a
  // command sees (and a save writes) what the user has typed.
  void CommitEditor();

  // Column widths from the sheet (after New and Open).
  void ApplyColumnWidths();

  // The text of the top-left corner: "Title", or empty for tab-delimited text.
  void SetCornerText(const QString& text);
  const QString& CornerText() const { return corner_text_; }

 signals:
  void CurrentCellChanged(int row, int col);
  // The user changed the sheet through the grid (a cell, a column width).
  void Changed();
  void EditorTextChanged(const QString& text);
  // Delete or Backspace in select mode: the selection is to be emptied.
  void ClearRequested();
  // Shift+Insert.
  void PasteRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void ColumnResized(int column, int old_size, int new_size);

  SheetModel* model_;
  CellDelegate* delegate_;
  QString corner_text_;
  bool applying_widths_ = false;
};

}  // namespace typelane::ui
