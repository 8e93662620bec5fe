#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace typelane {

// Where option defaults and recent files are kept between runs: keys holding
// named string and 32-bit integer values (the registry on Windows, an INI file
// elsewhere). Key paths use backslashes, e.g. "Software\Veltrax\Typelane\Options".
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  virtual bool KeyExists(std::string_view key) const = 0;
  // Creates the key when missing; false when that is not possible.
  virtual bool CreateKey(std::string_view key) = 0;
  virtual std::vector<std::string> ValueNames(std::string_view key) const = 0;
  virtual std::optional<std::string> ReadString(std::string_view key,
                                                std::string_view name) const = 0;
  virtual std::optional<std::int32_t> ReadInt(std::string_view key,
                                              std::string_view name) const = 0;
  // Writing creates the key when missing. False when the store cannot be written.
  virtual bool WriteString(std::string_view key, std::string_view name, std::string_view value) = 0;
  virtual bool WriteInt(std::string_view key, std::string_view name, std::int32_t value) = 0;
};

// Kept in memory only: tests, and runs that must not touch the user's settings.
class MemorySettingsStore : public SettingsStore {
 public:
  struct Value {
    bool is_int = false;
    std::int32_t number = 0;
    std::string text;
  };
  using Key = std::map<std::string, Value>;

  bool KeyExists(std::string_view key) const override;
  bool CreateKey(std::string_view key) override;
  std::vector<std::string> ValueNames(std::string_view key) const override;
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const override;
  std::optional<std::int32_t> ReadInt(std::string_view key, std::string_view name) const override;
  bool WriteString(std::string_view key, std::string_view name, std::string_view value) override;
  bool WriteInt(std::string_view key, std::string_view name, std::int32_t value) override;

  // Set to make every write fail, as a read-only store would.
  bool read_only = false;

 protected:
  // Keys compare without letter case, as registry keys do.
  static std::string Fold(std::string_view key);
  std::map<std::string, Key> keys_;
  std::map<std::string, std::string> key_names_;  // folded -> as first written
};

// An INI file: one [section] per key, values as name=s:text or name=i:number.
// Every write saves the whole file (atomically).
class IniSettingsStore : public MemorySettingsStore {
 public:
  explicit IniSettingsStore(std::string path);
  const std::string& Path() const { return path_; }

  bool CreateKey(std::string_view key) override;
  bool WriteString(std::string_view key, std::string_view name, std::string_view value) override;
  bool WriteInt(std::string_view key, std::string_view name, std::int32_t value) override;

  // The usual place: $XDG_CONFIG_HOME/typelane/settings.ini, else
  // ~/.config/typelane/settings.ini, else settings.ini in the current folder.
  static std::string DefaultPath();

 private:
  void Load();
  bool Save();
  std::string path_;
};

}  // namespace typelane
