#pragma once

#include <QString>

namespace typelane::ui {

// Makes the desktop open .tyl sheets and .fpb recordings with this program,
// for the current user: a desktop entry, shared-mime-info types for both
// extensions, and the program's icon, under data_home (normally
// ~/.local/share). Written at every start, so a moved program is found at its
// new place. Files already holding the right text are left alone. Returns false
// when something could not be written; the program starts all the same.
// An installed program (or one whose desktop entry the system already has)
// writes nothing: the system's entry, types and icons serve every user, and a
// user's copy would outlive the uninstall.
bool WriteFileAssociations(const QString& data_home, const QString& executable);

// True when the system, not the user, registers this program: it runs from an
// installed program folder, or a system data folder other than data_home holds
// its desktop entry.
bool SystemIntegrated(const QString& data_home, const QString& executable);

}  // namespace typelane::ui
