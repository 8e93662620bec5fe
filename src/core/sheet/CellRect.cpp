#include "core/sheet/CellRect.h"

#include <algorithm>

#include "core/sheet/Sheet.h"

namespace typelane {

CellRect ClipToExtent(const Sheet& sheet, CellRect selection) {
  // Fixed cells are never loaded or converted, whatever the caller hands in.
  selection.top = std::max(selection.top, 1);
  selection.left = std::max(selection.left, 1);
  selection.bottom = std::min(selection.bottom, sheet.LastRow());
  selection.right = std::min(selection.right, sheet.LastCol());
  return selection;
}

CellRect WholeExtent(const Sheet& sheet) {
  return CellRect{1, 1, sheet.LastRow(), sheet.LastCol()};
}

}  // namespace typelane
