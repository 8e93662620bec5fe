#pragma once

#include "core/edit/SheetChange.h"
#include "core/sheet/Sheet.h"

namespace typelane {

// The used extent is the Sheet's (LastRow, LastCol, with the blank margin and
// the grid's size: Sheet::Extent, SheetExtent::GridRows, GridCols). These are the two
// searches that lower it after cells were emptied, and the one rule that
// raises it.

// The last column from LastCol down that still holds text, or a non-empty
// comment, in rows 1..LastRow; 0 when none does. A comment counts so that it
// stays inside the extent, where the sheet file saves it.
int FindLastCol(const Sheet& sheet);

// The last row from LastRow down that still holds text, or a non-empty comment,
// in columns 1..LastCol; 0 when none does.
int FindLastRow(const Sheet& sheet);

// After non-empty text or a comment went into (row, col): LastCol rises to col
// and LastRow to row when they are beyond. Notes it in change.
void RaiseExtentTo(Sheet& sheet, int row, int col, SheetChange& change);

// Sets LastCol (or LastRow), noting in change when it moved.
void SetLastCol(Sheet& sheet, int col, SheetChange& change);
void SetLastRow(Sheet& sheet, int row, SheetChange& change);

}  // namespace typelane
