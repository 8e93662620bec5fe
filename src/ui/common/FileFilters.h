#pragma once

#include <QStringList>
#include <string_view>

namespace typelane::ui {

// The core's file-type lists ("Description|pattern|Description|pattern...") as
// QFileDialog name filters, one per type and in the same order, so the type's
// position (from 1) stays the document kind. "*.*" becomes "*": on Linux "*.*"
// would hide every file without a dot in its name.
QStringList NameFilters(std::string_view filter);

}  // namespace typelane::ui
