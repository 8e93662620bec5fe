#pragma once

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"

namespace typelane {

class Document;

// The editing rules of core/edit over the open document, and how what they did
// reaches the document's observers.
//
// An edit from the grid goes:
//   EditContext context = MakeEditContext(document, measure);
//   SheetChange change = PasteCells(context, ...);            // or any rule
//   FinishEdit(document, change);
// Insert and delete also take document.SheetEvents() and send their
// RowsAboutToBeInserted/RowsInserted (and the removed and column pairs) while
// they move the cells; FinishEdit then tells the rest.

// The context of the document's sheet, its kind, its options and its encoding;
// widths are measured through measure (the grid's font).
EditContext MakeEditContext(Document& document, const TextMeasure& measure);

// Tells the document's observers what an edit changed, in this order:
// ExtentChanged (only when LastRow, LastCol or BlankCols differ from the extent
// last told), CellsChanged(change.cells) (when not empty),
// ColumnWidthsChanged(1, last grid column) (when change.widths), and then
// ModifiedChanged through SetModified(true) (when change.modified and the flag
// was clear). Nothing of the sheet is told inside a reset.
void FinishEdit(Document& document, const SheetChange& change);

}  // namespace typelane
