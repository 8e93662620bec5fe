#include "core/edit/CellEdits.h"

#include "core/edit/Extent.h"
#include "core/edit/Titles.h"
#include "core/forms/DropLists.h"

namespace typelane {
namespace {

SheetChange StoreTyped(const EditContext& context, int row, int col, std::string_view utf8) {
  SheetChange change;
  change.modified = true;
  if (row < 1 || col < 1) return change;
  const std::string bytes = context.CellBytes(row, col, utf8);
  if (bytes != context.sheet.Cell(row, col)) {
    context.sheet.SetCell(row, col, bytes);
    change.Touch(row, col);
  }
  if (!bytes.empty()) RaiseExtentTo(context.sheet, row, col, change);
  return change;
}

}  // namespace

SheetChange EditCellInGrid(const EditContext& context, int row, int col, std::string_view utf8) {
  SheetChange change = StoreTyped(context, row, col, utf8);
  if (context.kind == DocumentKind::kSheetFile && row == 1 && !utf8.empty()) {
    change.Merge(UpdateColumnTitleFromRow1(context, col, TitleSource::kGrid));
  }
  return change;
}

SheetChange EditCellInBox(const EditContext& context, int row, int col, std::string_view utf8) {
  SheetChange change = StoreTyped(context, row, col, utf8);
  if (row == 1) change.Merge(UpdateColumnTitleFromRow1(context, col, TitleSource::kCellTextBox));
  return change;
}

ClickResult ClickCell(const EditContext& context, const CellClick& click) {
  Sheet& sheet = context.sheet;
  ClickResult result;
  const CellPos left = click.previous;
  if (context.ChecksDropLists() && left.col > 0 && left.col <= sheet.LastCol() && left.row > 0 &&
      left.row <= sheet.LastRow() && click.single_cell && !click.checks_suspended) {
    if (!CheckDropListCell(*context.forms, sheet, context.prompter, left.col, left.row)) {
      result.change.Touch(left.row, left.col);
      result.reselect = left;
    }
  }
  // The reselected cell is current from here on: the grid moves there first.
  const CellPos current = result.reselect.value_or(click.current);
  if (click.pointer_on_cell && context.kind == DocumentKind::kSheetFile && context.auto_insert &&
      current.row > 0 && current.col > 0 && sheet.Cell(current.row, current.col).empty()) {
    const std::string title(sheet.Cell(0, current.col));
    if (context.commands.IsCommand(title)) {
      sheet.SetCell(current.row, current.col, title);
      result.change.Touch(current.row, current.col);
      RaiseExtentTo(sheet, current.row, current.col, result.change);
      result.change.modified = true;
    }
  }
  return result;
}

std::string PositionLabel(CellPos cell) {
  return "R" + std::to_string(cell.row) + ":C" + std::to_string(cell.col);
}

CellPos NextCellAfterKey(const Sheet& sheet, CellPos current, BoxKey key) {
  const int last_col = sheet.Extent().GridCols() - 1;
  const int last_row = sheet.Extent().GridRows() - 1;
  if (key == BoxKey::kTab) {
    if (current.col < last_col) return CellPos{current.row, current.col + 1};
    return CellPos{current.row < last_row ? current.row + 1 : 1, 1};
  }
  if (current.row < last_row) return CellPos{current.row + 1, current.col};
  return CellPos{1, 1};
}

}  // namespace typelane
