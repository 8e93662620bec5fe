#pragma once

#include <string>

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"

namespace typelane {

class Document;

// The editing rules of core/edit over the open document, and how what they did
// reaches the document's observers.
//
// An edit from the grid goes:
//   EditStep step(document, "Paste");                         // one undo step
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
// was clear). Nothing of the sheet is told inside a reset. The undo step that
// is open notes the rows or columns the edit moved.
void FinishEdit(Document& document, const SheetChange& change);

// Everything the sheet undergoes while this lives is one step of the undo
// history, named for the Edit menu ("Paste" gives "Undo Paste"). Steps inside
// a step are part of it. Typing goes on in one step while the merge key stays
// the same (the cell-text box: one cell).
class EditStep {
 public:
  EditStep(Document& document, std::string name, std::string merge_key = {});
  ~EditStep();
  // Names the step after what the command turned out to do.
  void Rename(std::string name);
  EditStep(const EditStep&) = delete;
  EditStep& operator=(const EditStep&) = delete;

 private:
  Document& document_;
};

}  // namespace typelane
