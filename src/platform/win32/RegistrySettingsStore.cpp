#include "platform/win32/RegistrySettingsStore.h"

#include <windows.h>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/Numbers.h"
#include "platform/win32/Win32Text.h"

namespace typelane::win32 {
namespace {

HKEY RootKey(RegistrySettingsStore::Root root) {
  return root == RegistrySettingsStore::Root::kClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

// Closes a key on every way out.
class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
};

std::optional<RawValue> Query(HKEY root, const std::wstring& path, std::string_view name) {
  OpenKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::wstring wname = WideFromBytes(name);
  RawValue value;
  DWORD size = 0;
  if (RegQueryValueExW(key.Get(), wname.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  // A value may grow between the two calls: ask again until it fits.
  for (int tries = 0; tries < 4; ++tries) {
    value.bytes.assign(size, '\0');
    DWORD got = size;
    const LONG rc = RegQueryValueExW(key.Get(), wname.c_str(), nullptr, &value.type,
                                     reinterpret_cast<BYTE*>(value.bytes.data()), &got);
    if (rc == ERROR_SUCCESS) {
      value.bytes.resize(got);
      return value;
    }
    if (rc != ERROR_MORE_DATA) return std::nullopt;
    size = got;
  }
  return std::nullopt;
}

std::string TextOf(const RawValue& value) {
  std::wstring wide(value.bytes.size() / sizeof(wchar_t), L'\0');
  if (!wide.empty()) value.bytes.copy(reinterpret_cast<char*>(wide.data()), wide.size() * 2);
  // Stored strings usually end in their terminating zero; some writers leave it out.
  while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
  return Utf8FromWide(wide);
}

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(Root root, std::string prefix)
    : root_(root), prefix_(std::move(prefix)) {}

std::wstring RegistrySettingsStore::Path(std::string_view key) const {
  return WideFromBytes(prefix_ + std::string(key));
}

bool RegistrySettingsStore::KeyExists(std::string_view key) const {
  OpenKey k;
  return RegOpenKeyExW(RootKey(root_), Path(key).c_str(), 0, KEY_READ, k.Out()) == ERROR_SUCCESS;
}

bool RegistrySettingsStore::CreateKey(std::string_view key) {
  OpenKey k;
  const LONG rc = RegCreateKeyExW(RootKey(root_), Path(key).c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, k.Out(), nullptr);
  if (rc != ERROR_SUCCESS) Failed(key, rc);
  return rc == ERROR_SUCCESS;
}

std::string RegistrySettingsStore::FullKeyName(std::string_view key) const {
  const char* root = root_ == Root::kClassesRoot ? "HKEY_CLASSES_ROOT\\" : "HKEY_CURRENT_USER\\";
  return root + prefix_ + std::string(key);
}

void RegistrySettingsStore::Failed(std::string_view key, long error) {
  NoteFailure(std::make_exception_ptr(
      FileError(FullKeyName(key), WindowsErrorText(static_cast<unsigned long>(error)))));
}

std::vector<std::string> RegistrySettingsStore::ValueNames(std::string_view key) const {
  std::vector<std::string> names;
  OpenKey k;
  if (RegOpenKeyExW(RootKey(root_), Path(key).c_str(), 0, KEY_QUERY_VALUE, k.Out()) !=
      ERROR_SUCCESS) {
    return names;
  }
  // Value names are at most 16,383 characters.
  std::wstring name(16384, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG rc =
        RegEnumValueW(k.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    names.push_back(Utf8FromWide(std::wstring_view(name.data(), length)));
  }
  return names;
}

std::optional<std::string> RegistrySettingsStore::ReadString(std::string_view key,
                                                             std::string_view name) const {
  auto value = Query(RootKey(root_), Path(key), name);
  if (!value) return std::nullopt;
  if (value->type == REG_SZ || value->type == REG_EXPAND_SZ) return TextOf(*value);
  if (value->type == REG_DWORD && value->bytes.size() == 4) {
    std::int32_t n = 0;
    value->bytes.copy(reinterpret_cast<char*>(&n), 4);
    return std::to_string(n);
  }
  return std::nullopt;
}

std::optional<std::int32_t> RegistrySettingsStore::ReadInt(std::string_view key,
                                                           std::string_view name) const {
  auto value = Query(RootKey(root_), Path(key), name);
  if (!value) return std::nullopt;
  if (value->type == REG_DWORD && value->bytes.size() == 4) {
    std::int32_t n = 0;
    value->bytes.copy(reinterpret_cast<char*>(&n), 4);
    return n;
  }
  // A number someone stored as text still reads as that number.
  if (value->type == REG_SZ) return TryStrToInt(TextOf(*value));
  return std::nullopt;
}

std::optional<std::string> RegistrySettingsStore::ReadBinary(std::string_view key,
                                                             std::string_view name) const {
  auto value = Query(RootKey(root_), Path(key), name);
  if (!value || value->type != REG_BINARY) return std::nullopt;
  return value->bytes;
}

bool RegistrySettingsStore::Write(std::string_view key, std::string_view name, unsigned long type,
                                  const void* data, unsigned long bytes) {
  OpenKey k;
  LONG rc = RegCreateKeyExW(RootKey(root_), Path(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, k.Out(), nullptr);
  if (rc == ERROR_SUCCESS) {
    const std::wstring wname = WideFromBytes(name);
    rc = RegSetValueExW(k.Get(), wname.c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
  }
  if (rc != ERROR_SUCCESS) Failed(key, rc);
  return rc == ERROR_SUCCESS;
}

bool RegistrySettingsStore::WriteString(std::string_view key, std::string_view name,
                                        std::string_view value) {
  const std::wstring wide = WideFromBytes(value);
  return Write(key, name, REG_SZ, wide.c_str(),
               static_cast<unsigned long>((wide.size() + 1) * sizeof(wchar_t)));
}

bool RegistrySettingsStore::WriteInt(std::string_view key, std::string_view name,
                                     std::int32_t value) {
  const DWORD n = static_cast<DWORD>(value);
  return Write(key, name, REG_DWORD, &n, sizeof(n));
}

bool RegistrySettingsStore::WriteBinary(std::string_view key, std::string_view name,
                                        std::string_view bytes) {
  return Write(key, name, REG_BINARY, bytes.data(), static_cast<unsigned long>(bytes.size()));
}

bool RegistrySettingsStore::DeleteTree(std::string_view key) {
  return RegDeleteTreeW(RootKey(root_), Path(key).c_str()) == ERROR_SUCCESS;
}

}  // namespace typelane::win32
