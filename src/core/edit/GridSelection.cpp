#include "core/edit/GridSelection.h"

namespace typelane {

GridSelection SelectWhole(const Sheet& sheet, CellRect selection, WholeSelection kind) {
  const int last_row = sheet.Extent().GridRows() - 1;
  const int last_col = sheet.Extent().GridCols() - 1;
  switch (kind) {
    case WholeSelection::kRows:
      return {CellRect{selection.top, 1, selection.bottom, last_col}, CellPos{selection.bottom, 1}};
    case WholeSelection::kColumns:
      return {CellRect{1, selection.left, last_row, selection.right}, CellPos{1, selection.right}};
    case WholeSelection::kAll:
      break;
  }
  return {CellRect{1, 1, last_row, last_col}, CellPos{1, 1}};
}

}  // namespace typelane
