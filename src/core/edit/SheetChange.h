#pragma once

#include <algorithm>

#include "core/sheet/CellRect.h"

namespace typelane {

// What an edit of the sheet changed, so a view can repaint and resize exactly:
//
// - cells: the rectangle whose texts or comments changed (row 0 holds the
//   titles); Empty() when no cell changed in place.
// - rows inserted before rows_at, or removed from rows_at on: the rows below
//   moved with their cells and comments. The same for columns with cols_at.
// - extent: LastRow or LastCol changed, and with them the grid's size
//   (Sheet::Extent, SheetExtent::GridRows, GridCols). The inserted and removed
//   rows and columns were told to the SheetObserver the edit took; FinishEdit
//   (core/document) then tells ExtentChanged.
// - widths: column widths changed; a view reads them all again.
// - modified: the edit marks the document modified (Document::SetModified).
struct SheetChange {
  CellRect cells{1, 1, 0, 0};
  int rows_at = 0;
  int rows_inserted = 0;
  int rows_removed = 0;
  int cols_at = 0;
  int cols_inserted = 0;
  int cols_removed = 0;
  bool extent = false;
  bool widths = false;
  bool modified = false;

  // Widens cells to cover the rectangle (top, left) - (bottom, right).
  void Touch(int top, int left, int bottom, int right) {
    if (top > bottom || left > right) return;
    if (cells.Empty()) {
      cells = CellRect{top, left, bottom, right};
      return;
    }
    cells.top = std::min(cells.top, top);
    cells.left = std::min(cells.left, left);
    cells.bottom = std::max(cells.bottom, bottom);
    cells.right = std::max(cells.right, right);
  }
  void Touch(int row, int col) { Touch(row, col, row, col); }

  // Adds what another edit changed (cells, extent, widths, modified). Moved rows
  // and columns are not merged: an edit that moves them reports them itself.
  void Merge(const SheetChange& other) {
    if (!other.cells.Empty()) {
      Touch(other.cells.top, other.cells.left, other.cells.bottom, other.cells.right);
    }
    extent = extent || other.extent;
    widths = widths || other.widths;
    modified = modified || other.modified;
  }

  bool Nothing() const {
    return cells.Empty() && rows_inserted == 0 && rows_removed == 0 && cols_inserted == 0 &&
           cols_removed == 0 && !extent && !widths && !modified;
  }
};

}  // namespace typelane
