#include "core/document/DocumentEditing.h"

#include "core/document/Document.h"

namespace typelane {

EditContext MakeEditContext(Document& document, const TextMeasure& measure) {
  return EditContext{document.sheet,
                     document.prompter(),
                     document.commands,
                     measure,
                     document.Kind(),
                     &document.forms,
                     document.options.auto_insert,
                     document.options.title_size,
                     document.text_encoding};
}

void FinishEdit(Document& document, const SheetChange& change) {
  document.History().Note(change);
  // The extent first, then the cells: CellsChanged reports the extent itself.
  document.CellsChanged(change.cells);
  if (change.widths) {
    document.SheetEvents().ColumnWidthsChanged(1, document.sheet.Extent().GridCols() - 1);
  }
  if (change.modified) document.SetModified(true);
}

EditStep::EditStep(Document& document, std::string name, std::string merge_key)
    : document_(document) {
  document_.History().Begin(std::move(name), std::move(merge_key));
}

EditStep::~EditStep() { document_.History().End(); }

void EditStep::Rename(std::string name) { document_.History().Rename(std::move(name)); }

}  // namespace typelane
