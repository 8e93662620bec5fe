#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/SettingsStore.h"

namespace typelane::win32 {

// Settings in the Windows registry: option defaults and recent files under
// HKEY_CURRENT_USER ("Software\Veltrax\Typelane\Options" and "...\RecentFiles"),
// file types under HKEY_CLASSES_ROOT. Flags and numbers are REG_DWORD, texts
// REG_SZ; the name "" is a key's default value. Texts go through the wide
// calls: UTF-8 (a file name in any language) comes back as it went in, and
// other bytes are taken as Windows-1252 and come back in UTF-8.
class RegistrySettingsStore : public SettingsStore {
 public:
  enum class Root { kCurrentUser, kClassesRoot };

  // prefix (for tests) is put in front of every key path, e.g.
  // "Software\TypelaneTests\1\" to keep a test away from the user's settings.
  explicit RegistrySettingsStore(Root root = Root::kCurrentUser, std::string prefix = {});

  bool KeyExists(std::string_view key) const override;
  bool CreateKey(std::string_view key) override;
  std::vector<std::string> ValueNames(std::string_view key) const override;
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const override;
  std::optional<std::int32_t> ReadInt(std::string_view key, std::string_view name) const override;
  bool WriteString(std::string_view key, std::string_view name, std::string_view value) override;
  bool WriteInt(std::string_view key, std::string_view name, std::int32_t value) override;
  // REG_BINARY, byte for byte.
  bool WriteBinary(std::string_view key, std::string_view name, std::string_view bytes);
  // The raw bytes of a REG_BINARY value.
  std::optional<std::string> ReadBinary(std::string_view key, std::string_view name) const;

  // Removes a key with everything below it (tests clean up with it).
  bool DeleteTree(std::string_view key);

 private:
  std::wstring Path(std::string_view key) const;
  // The key as regedit shows it: the message of a failed write names it.
  std::string FullKeyName(std::string_view key) const;
  void Failed(std::string_view key, long error);
  bool Write(std::string_view key, std::string_view name, unsigned long type, const void* data,
             unsigned long bytes);

  Root root_;
  std::string prefix_;
};

}  // namespace typelane::win32
