#pragma once

#include <string>

#include "core/files/DocumentKind.h"
#include "core/files/SheetContent.h"
#include "core/forms/FormsState.h"
#include "core/sheet/CellRect.h"

namespace typelane {

// The document as the playback conversion, the writer and the drop lists see
// it: the sheet content, what a converted recording keeps, and the few things
// of the open document they must reach. The open document (core/document)
// implements it; this folder never includes it.
class FormsContent : public SheetContent {
 public:
  FormsState forms;

  // Where droplists.dat is read, and where it is written (the user's own
  // folder when the program folder cannot be written).
  virtual std::string DropListsPath() const = 0;
  virtual std::string DropListsPathForWriting() const = 0;
  virtual DocumentKind Kind() const = 0;
  // Switches the kind (kind 3 loads the drop lists afresh).
  virtual void SetDocumentKind(DocumentKind kind) = 0;
  // Resets to a new, empty document (a refused recording leaves one).
  virtual bool NewSheet() = 0;
  // Tells the document's views that cells inside rect changed.
  virtual void CellsChanged(const CellRect& rect) = 0;
};

}  // namespace typelane
