#pragma once

namespace typelane {

class Sheet;

// A rectangle of sheet cells, inclusive at both ends. Empty when top > bottom
// or left > right.
struct CellRect {
  int top = 1;
  int left = 1;
  int bottom = 0;
  int right = 0;

  bool Empty() const { return top > bottom || left > right; }
  bool operator==(const CellRect&) const = default;
};

// The part of a selection inside the sheet's content: rows up to LastRow,
// columns up to LastCol, and never the title row or the row-number column.
CellRect ClipToExtent(const Sheet& sheet, CellRect selection);

// Rows 1..LastRow, columns 1..LastCol.
CellRect WholeExtent(const Sheet& sheet);

}  // namespace typelane
