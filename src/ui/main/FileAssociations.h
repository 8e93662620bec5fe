#pragma once

#include <QString>

namespace typelane::ui {

// Makes the desktop open .tyl sheets and .fpb recordings with this program,
// for the current user: a desktop entry, shared-mime-info types for both
// extensions, and the program's icon, under data_home (normally
// ~/.local/share). Written at every start, so a moved program is found at its
// new place. Files already holding the right text are left alone. Returns false
// when something could not be written; the program starts all the same.
bool WriteFileAssociations(const QString& data_home, const QString& executable);

}  // namespace typelane::ui
