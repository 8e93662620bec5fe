#include "platform/win32/FileAssociations.h"

#include <string>
#include <utility>

#include "core/common/Text.h"
#include "platform/win32/RegistrySettingsStore.h"

namespace typelane::win32 {
namespace {

constexpr char kDescription[] = "Veltrax Typelane File";
constexpr char kTsvKey[] = "MIME\\Database\\Content Type\\text/tab-separated-values";
constexpr char kTsvType[] = "text/tab-separated-values";
// FTA_OpenIsSafe, the little-endian 32-bit 0x00010000.
constexpr char kEditFlags[] = {0x00, 0x00, 0x01, 0x00};

bool ContainsNoCase(std::string_view text, std::string_view part) {
  if (part.empty()) return false;
  return UpperCase(text).find(UpperCase(part)) != std::string::npos;
}

}  // namespace

int WriteFileAssociations(RegistrySettingsStore& classes, std::string_view exe_path) {
  const std::string exe(exe_path);
  // Quoted, so a folder with blanks in its name cannot be mistaken for another
  // program ("C:\Program.exe") and a file name with blanks arrives as one
  // argument, its blanks as they are.
  const std::string command = "\"" + exe + "\" \"%1\"";
  int written = 0;
  for (const auto& [extension, type] :
       {std::pair{".tyl", "tylfile"}, std::pair{".fpb", "fpbfile"}}) {
    const std::string t = type;
    written += classes.WriteString(extension, "", type);
    written += classes.WriteString(t, "", kDescription);
    written += classes.WriteBinary(t, "EditFlags", std::string_view(kEditFlags, 4));
    written += classes.WriteString(t + "\\DefaultIcon", "", exe);
    written += classes.WriteString(t + "\\shell\\open\\command", "", command);
  }
  return written;
}

bool AppsExportAssociated(const RegistrySettingsStore& classes, std::string_view exe_path) {
  const auto extension = classes.ReadString(kTsvKey, "Extension");
  if (!extension || extension->empty()) return false;
  const auto type = classes.ReadString(*extension, "");
  if (!type || type->empty()) return false;
  const auto command = classes.ReadString(*type + "\\shell\\open\\command", "");
  return command && ContainsNoCase(*command, exe_path);
}

bool SetAppsExport(RegistrySettingsStore& classes, bool on) {
  if (!classes.KeyExists(".tyl")) return false;
  if (!classes.WriteString(".tyl", "Content Type", on ? kTsvType : "")) return false;
  if (!on && !classes.KeyExists(kTsvKey)) return true;  // nothing to empty
  return classes.WriteString(kTsvKey, "Extension", on ? ".tyl" : "");
}

}  // namespace typelane::win32
