#pragma once

#include <string_view>

namespace typelane::win32 {

class RegistrySettingsStore;

// The shell's file types of the program, under HKEY_CLASSES_ROOT (pass a store
// on RegistrySettingsStore::Root::kClassesRoot).

// Writes, at every start, the ten values that make ".tyl" and ".fpb" files open
// with the program at exe_path: ".tyl" -> "tylfile" (and ".fpb" -> "fpbfile"),
// each described as "Veltrax Typelane File", with EditFlags 00 00 01 00 (open is
// safe), the executable as its icon and `"exe" "%1"` as its open command. A key
// that cannot be opened (no rights) is skipped without a word. Returns how many
// of the ten values were written.
int WriteFileAssociations(RegistrySettingsStore& classes, std::string_view exe_path);

// Whether downloads of type text/tab-separated-values open with the program at
// exe_path: the content type's extension, that extension's file type and its
// open command, which must name the executable. Creates nothing.
bool AppsExportAssociated(const RegistrySettingsStore& classes, std::string_view exe_path);

// Switches that association ("Oracle Apps export target"): on, ".tyl" gets the
// content type and the content type the extension ".tyl"; off, both values are
// emptied (not deleted). ".tyl" is never created here (start-up does), the
// content-type key only when switching on. False when a key could not be
// opened: the association is then as it was.
bool SetAppsExport(RegistrySettingsStore& classes, bool on);

}  // namespace typelane::win32
