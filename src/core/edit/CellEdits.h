#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"

namespace typelane {

// Text typed into a cell (UTF-8 as the user interface gives it) is stored in
// the cell's encoding, or the document's (EditContext::CellBytes).

// The grid's in-place editor changed the text of (row, col): the cell takes
// it, the extent rises to the cell when the text is not empty, and in a sheet
// file typing into row 1 titles the column (UpdateColumnTitleFromRow1, grid
// variant). Marks the document modified (the key press did).
SheetChange EditCellInGrid(const EditContext& context, int row, int col, std::string_view utf8);

// A key was released in the cell-text box: its whole text goes into the
// current cell (row, col), the extent rises when it is not empty, and on row 1
// the column is titled after it (cell-text box variant, in every kind).
SheetChange EditCellInBox(const EditContext& context, int row, int col, std::string_view utf8);

// The grid's click (the current cell changed by a click, a key or the
// program).
struct CellClick {
  CellPos previous;               // the cell current at the previous click (the grid's anchors)
  CellPos current;                // the current cell now
  bool single_cell = true;        // the selection is just the current cell
  bool checks_suspended = false;  // the grid is moving back to a refused cell
  bool pointer_on_cell = true;    // the mouse pointer is over a non-fixed cell
};

struct ClickResult {
  SheetChange change;
  // A refused drop-list value was cleared: the grid makes this cell current
  // again (column first, then row) with checks suspended, so it is selected.
  std::optional<CellPos> reselect;
};

// grdTypelaneClick without its pixels:
// 1. In a playback sheet, the cell the user left (previous), when inside the
//    used extent and the selection is one cell, must hold a value its drop list
//    allows; otherwise "The data entered is not valid for the drop list." is
//    shown and the cell emptied and reselected.
// 2. (The cell-text box and PositionLabel then show the current cell.)
// 3. In a sheet file, with the AutoInsert option on and the pointer over a
//    cell: an empty current cell whose column is titled with a command name
//    receives that name, and the extent rises to it.
ClickResult ClickCell(const EditContext& context, const CellClick& click);

// "R3:C2" for row 3, column 2 (lblCell).
std::string PositionLabel(CellPos cell);

// Where Tab or Enter in the cell-text box moves the current cell: Tab one
// column right, or to column 1 of the next row (row 1 after the grid's last
// row); Enter one row down, or to (1, 1) from the grid's last row.
enum class BoxKey { kTab, kEnter };
CellPos NextCellAfterKey(const Sheet& sheet, CellPos current, BoxKey key);

}  // namespace typelane
