#include "core/edit/InsertDelete.h"

#include <algorithm>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "core/edit/Extent.h"

namespace typelane {
namespace {

// Comment records of rows 0..last_row in columns from..to, taken off the sheet.
std::vector<std::pair<CellPos, CellInfo>> TakeInfos(Sheet& sheet, int last_row, int from, int to) {
  std::vector<std::pair<CellPos, CellInfo>> taken;
  for (const auto& [pos, info] : sheet.Infos()) {
    if (pos.row <= last_row && pos.col >= from && pos.col <= to) taken.emplace_back(pos, info);
  }
  for (const auto& [pos, info] : taken) sheet.RemoveInfo(pos.row, pos.col);
  return taken;
}

void PutInfo(Sheet& sheet, CellPos pos, CellInfo info) {
  sheet.AttachInfo(pos.row, pos.col) = std::move(info);
}

SheetChange InsertRows(const EditContext& context, CellRect selection, SheetObserver& events) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  if (sheet.LastRow() < selection.bottom || selection.top > selection.bottom) return change;
  const int n = selection.bottom - selection.top + 1;
  const int last_row = sheet.LastRow() + n;
  events.RowsAboutToBeInserted(selection.top, n);
  sheet.InsertRows(selection.top, n);
  SetLastRow(sheet, last_row, change);
  events.RowsInserted(selection.top, n);
  change.extent = true;
  change.rows_at = selection.top;
  change.rows_inserted = n;
  return change;
}

SheetChange InsertColumns(const EditContext& context, CellRect selection, SheetObserver& events) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  const int left = selection.left;
  if (sheet.LastCol() < left || left > selection.right) return change;
  const int n = selection.right - left + 1;
  const int last_row = sheet.LastRow();
  events.ColumnsAboutToBeInserted(left, n);
  // Rows 0..LastRow move right from Left on: the titles and every cell of the
  // sheet's rows, those beyond LastCol too, so no title is written over.
  std::vector<std::string_view> cells;
  for (int row = 0; row <= last_row; ++row) {
    const int stored = sheet.StoredCols(row) - 1;
    if (stored < left) continue;
    cells.assign(static_cast<size_t>(stored + n), std::string_view());
    for (int col = 1; col < left; ++col) cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
    for (int col = left; col <= stored; ++col) {
      cells[static_cast<size_t>(col + n - 1)] = sheet.Cell(row, col);
    }
    sheet.SetRowCells(row, cells);
  }
  for (auto& [pos, info] : TakeInfos(sheet, last_row, left, std::numeric_limits<int>::max())) {
    PutInfo(sheet, CellPos{pos.row, pos.col + n}, std::move(info));
  }
  const std::map<int, int> widths = sheet.ColumnWidths();
  sheet.ResetColumnWidths();
  for (const auto& [col, width] : widths) sheet.SetColumnWidth(col >= left ? col + n : col, width);
  SetLastCol(sheet, sheet.LastCol() + n, change);
  events.ColumnsInserted(left, n);
  change.cols_at = left;
  change.cols_inserted = n;
  change.widths = true;
  return change;
}

SheetChange DeleteRows(const EditContext& context, CellRect selection, SheetObserver& events) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  const int top = selection.top;
  if (sheet.LastRow() < top || top > selection.bottom) return change;
  const int n = std::min(selection.bottom - top + 1, sheet.LastRow() - top + 1);
  const int last_row = sheet.LastRow() - n;
  events.RowsAboutToBeRemoved(top, n);
  sheet.DeleteRows(top, n);
  sheet.SetLastRow(last_row);
  events.RowsRemoved(top, n);
  change.extent = true;
  change.rows_at = top;
  change.rows_removed = n;
  // A playback sheet keeps its recorded columns.
  if (context.kind != DocumentKind::kPlayback) SetLastCol(sheet, FindLastCol(sheet), change);
  return change;
}

SheetChange DeleteColumns(const EditContext& context, CellRect selection, SheetObserver& events) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  const int left = selection.left;
  const int width = selection.right - left + 1;
  if (width <= 0) return change;
  std::vector<std::string_view> cells;

  if (sheet.LastCol() < left) {
    // Beyond the used columns there is nothing but titles: they close up.
    const int stored = sheet.StoredCols(0) - 1;
    if (stored >= left) {
      cells.assign(static_cast<size_t>(stored), std::string_view());
      for (int col = 1; col <= stored; ++col) {
        if (col < left) {
          cells[static_cast<size_t>(col - 1)] = sheet.Cell(0, col);
        } else if (col + width <= stored) {
          cells[static_cast<size_t>(col - 1)] = sheet.Cell(0, col + width);
        }
      }
      sheet.SetRowCells(0, cells);
      change.Touch(0, left, 0, stored);
    }
    return change;
  }

  const int last_col = sheet.LastCol();
  const int n = std::min(width, last_col - left + 1);
  const int last_row = sheet.LastRow();
  events.ColumnsAboutToBeRemoved(left, n);
  for (int row = 0; row <= last_row; ++row) {
    const int stored = sheet.StoredCols(row) - 1;
    if (stored < left) continue;
    cells.assign(static_cast<size_t>(stored), std::string_view());
    for (int col = 1; col <= stored; ++col) {
      if (col < left || col > last_col) {
        cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
      } else if (col <= last_col - n) {
        cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col + n);
      }
    }
    sheet.SetRowCells(row, cells);
  }
  for (auto& [pos, info] : TakeInfos(sheet, last_row, left, last_col)) {
    if (pos.col >= left + n) PutInfo(sheet, CellPos{pos.row, pos.col - n}, std::move(info));
  }
  // Column widths stay with their column numbers.
  SetLastCol(sheet, last_col - n, change);
  events.ColumnsRemoved(left, n);
  change.extent = true;
  change.cols_at = left;
  change.cols_removed = n;
  change.widths = true;
  // Titles and cells beyond the old LastCol stayed at their column numbers,
  // which the view moved left with the removed columns: they are shown again.
  const int beyond = sheet.StoredCols(0) - 1;
  const int shown = std::min(beyond, sheet.Extent().GridCols() - 1);
  if (shown > last_col - n) change.Touch(0, last_col - n + 1, 0, shown);
  SetLastRow(sheet, FindLastRow(sheet), change);
  return change;
}

}  // namespace

SheetChange InsertCells(const EditContext& context, CellRect selection, WholeCells kind,
                        SheetObserver& events) {
  BusyCursor busy(context.prompter);
  selection.top = std::max(selection.top, 1);
  selection.left = std::max(selection.left, 1);
  SheetChange change = kind == WholeCells::kRows ? InsertRows(context, selection, events)
                                                 : InsertColumns(context, selection, events);
  change.modified = true;
  return change;
}

SheetChange DeleteCells(const EditContext& context, CellRect selection, WholeCells kind,
                        SheetObserver& events) {
  BusyCursor busy(context.prompter);
  selection.top = std::max(selection.top, 1);
  selection.left = std::max(selection.left, 1);
  SheetChange change = kind == WholeCells::kRows ? DeleteRows(context, selection, events)
                                                 : DeleteColumns(context, selection, events);
  change.modified = true;
  return change;
}

}  // namespace typelane
