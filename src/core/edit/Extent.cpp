#include "core/edit/Extent.h"

#include <algorithm>

namespace typelane {

int FindLastCol(const Sheet& sheet) {
  const int last_row = sheet.LastRow();
  const int last_col = sheet.LastCol();
  int found = 0;
  for (int row = 1; row <= last_row && found < last_col; ++row) {
    // Rows keep no trailing empty cells, so the last stored cell of a row is
    // its last non-empty one unless the row reaches beyond LastCol.
    int col = std::min(sheet.StoredCols(row) - 1, last_col);
    while (col > found && sheet.Cell(row, col).empty()) --col;
    found = std::max(found, col);
  }
  for (const auto& [pos, info] : sheet.Infos()) {
    if (pos.row >= 1 && pos.row <= last_row && pos.col > found && pos.col <= last_col &&
        !info.comment.empty()) {
      found = pos.col;
    }
  }
  return found;
}

int FindLastRow(const Sheet& sheet) {
  const int last_row = sheet.LastRow();
  const int last_col = sheet.LastCol();
  int commented = 0;
  for (const auto& [pos, info] : sheet.Infos()) {
    if (pos.row >= 1 && pos.row <= last_row && pos.col >= 1 && pos.col <= last_col &&
        !info.comment.empty()) {
      commented = std::max(commented, pos.row);
    }
  }
  for (int row = last_row; row > commented; --row) {
    const int stored = std::min(sheet.StoredCols(row) - 1, last_col);
    for (int col = 1; col <= stored; ++col) {
      if (!sheet.Cell(row, col).empty()) return row;
    }
  }
  return commented;
}

void SetLastCol(Sheet& sheet, int col, SheetChange& change) {
  if (sheet.LastCol() == col) return;
  sheet.SetLastCol(col);
  change.extent = true;
}

void SetLastRow(Sheet& sheet, int row, SheetChange& change) {
  if (sheet.LastRow() == row) return;
  sheet.SetLastRow(row);
  change.extent = true;
}

void RaiseExtentTo(Sheet& sheet, int row, int col, SheetChange& change) {
  if (col > sheet.LastCol()) SetLastCol(sheet, col, change);
  if (row > sheet.LastRow()) SetLastRow(sheet, row, change);
}

}  // namespace typelane
