#include "core/files/Document.h"

namespace typelane {

void Document::SetDocumentKind(DocumentKind kind) { kind_ = kind; }

}  // namespace typelane
