#pragma once

#include "core/sheet/CellRect.h"
#include "core/sheet/Sheet.h"

namespace typelane {

// Select(kind) of the grid: whole rows, whole columns or the whole sheet area,
// built from the current selection.
enum class WholeSelection { kRows = 1, kColumns = 2, kAll = 3 };

struct GridSelection {
  CellRect cells;
  CellPos current;  // the grid's current cell afterwards
};

// Rows: rows Top..Bottom over every column, current cell (Bottom, 1). Columns:
// columns Left..Right over every row, current cell (1, Right). All: every
// non-fixed cell, current cell (1, 1). "Every" means up to the grid's last row
// and column (Sheet::Extent, SheetExtent::GridRows, GridCols).
GridSelection SelectWhole(const Sheet& sheet, CellRect selection, WholeSelection kind);

}  // namespace typelane
