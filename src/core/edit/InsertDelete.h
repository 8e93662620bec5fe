#pragma once

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"
#include "core/sheet/CellRect.h"
#include "core/sheet/SheetObserver.h"

namespace typelane {

enum class WholeCells { kRows = 1, kColumns = 2 };

// Row > Insert: as many empty rows as the selection has, in front of its top
// row, only when the whole selection lies within the used rows (LastRow >=
// Bottom). The rows below move down with their comments; LastRow grows.
//
// Column > Insert: as many empty columns as the selection has, in front of its
// left column, whenever the selection starts within the used columns (LastCol
// >= Left). The columns to the right move with their titles, comments and
// widths; the new columns have no title and the default width; LastCol grows.
//
// Both mark the document modified, also when nothing was inserted. Afterwards
// the grid collapses the selection to its top-left cell.
//
// The rows or columns move between the pair told to events
// (RowsAboutToBeInserted/RowsInserted or the column pair, at the first new one,
// count n); the rest (the extent, widths, modified) is in the returned change
// for the document to tell (FinishEdit).
SheetChange InsertCells(const EditContext& context, CellRect selection, WholeCells kind,
                        SheetObserver& events);

// Row > Delete: the selected rows within the used rows (LastRow >= Top), with
// their comments; the rows below move up and LastRow shrinks. Except in a
// playback sheet, the last used column is then searched again.
//
// Column > Delete, when the selection starts within the used columns: the
// selected columns up to LastCol, titles and comments included; the columns
// to their right (up to LastCol) move left, column widths stay where they are,
// LastCol shrinks and the last used row is searched again. When the selection
// starts beyond the used columns, only the titles from Left on move left by
// the selection's width.
//
// Both mark the document modified. Afterwards the grid makes (Left, Top) the
// current cell and the cell-text box shows it.
//
// The rows or columns removed go between the pair told to events, as for
// InsertCells; titles that only close up are cells changed.
SheetChange DeleteCells(const EditContext& context, CellRect selection, WholeCells kind,
                        SheetObserver& events);

}  // namespace typelane
