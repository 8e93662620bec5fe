#include "core/edit/FillCells.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/edit/Extent.h"
#include "core/forms/DropLists.h"

namespace typelane {
namespace {

// Writes texts[c - left] into columns left..right of a row, keeping the rest.
void WriteRowPart(Sheet& sheet, int row, int left, int right,
                  const std::vector<std::string_view>& texts,
                  std::vector<std::string_view>& cells) {
  if (left == right) {
    // One cell: changed inside the row's buffer, not the whole row rebuilt (a
    // fill down a column of 200,000 rows would rebuild every one of them).
    sheet.SetCell(row, left, texts[0]);
    return;
  }
  const int stored = sheet.StoredCols(row) - 1;
  cells.assign(static_cast<size_t>(std::max(stored, right)), std::string_view());
  for (int col = 1; col <= stored; ++col)
    cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
  for (int col = left; col <= right; ++col) {
    cells[static_cast<size_t>(col - 1)] = texts[static_cast<size_t>(col - left)];
  }
  sheet.SetRowCells(row, cells);
}

}  // namespace

SheetChange FillCells(const EditContext& context, CellRect selection, FillDirection direction) {
  Sheet& sheet = context.sheet;
  BusyCursor busy(context.prompter);
  SheetChange change;
  change.modified = true;
  const int top = std::max(selection.top, 1);
  const int left = std::max(selection.left, 1);
  const int bottom = selection.bottom;
  const int right = selection.right;
  std::vector<std::string_view> cells;

  if (direction == FillDirection::kDown || direction == FillDirection::kUp) {
    if (top >= bottom || left > right) return change;
    const bool down = direction == FillDirection::kDown;
    const int source_row = down ? top : bottom;
    // Copies: writing rows may move the row buffers the source views point into.
    std::vector<std::string> source;
    source.reserve(static_cast<size_t>(right - left + 1));
    bool filled = false;
    for (int col = left; col <= right; ++col) {
      source.emplace_back(sheet.Cell(source_row, col));
      filled = filled || !source.back().empty();
    }
    const std::vector<std::string_view> texts(source.begin(), source.end());
    const int first = down ? top + 1 : top;
    const int last = down ? bottom : bottom - 1;
    for (int row = first; row <= last; ++row) WriteRowPart(sheet, row, left, right, texts, cells);
    change.Touch(first, left, last, right);
    if (down && filled && bottom > sheet.LastRow()) SetLastRow(sheet, bottom, change);
    return change;
  }

  if (left >= right || top > bottom) return change;
  const bool to_right = direction == FillDirection::kRight;
  const int source_col = to_right ? left : right;
  const int first = to_right ? left + 1 : left;
  const int last = to_right ? right : right - 1;
  std::vector<std::string_view> texts(static_cast<size_t>(last - first + 1));
  int filled_rows = 0;
  for (int row = top; row <= bottom; ++row) {
    const std::string_view source = sheet.Cell(row, source_col);
    if (source.empty() && sheet.StoredCols(row) - 1 < first) continue;  // nothing to empty
    if (!source.empty()) ++filled_rows;
    // The source is a view into the row's own buffer, which stays until the row
    // is rebuilt from it.
    std::fill(texts.begin(), texts.end(), source);
    WriteRowPart(sheet, row, first, last, texts, cells);
  }
  change.Touch(top, first, bottom, last);
  if (to_right && filled_rows > 0 && right > sheet.LastCol()) SetLastCol(sheet, right, change);
  if (context.ChecksDropLists()) {
    if (CheckDropListRange(*context.forms, sheet, context.prompter, left, top, right, bottom) > 0) {
      change.Touch(top, left, bottom, right);
    }
  }
  return change;
}

}  // namespace typelane
