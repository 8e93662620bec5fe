#pragma once

#include <cstdint>
#include <exception>
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

  // Why the last write (or CreateKey) that returned false failed: a FileError
  // naming where the settings are kept (the settings file, the registry key)
  // and the system's reason, to word with WithFileReason. Null when not known.
  std::exception_ptr LastFailure() const { return last_failure_; }

 protected:
  void NoteFailure(std::exception_ptr failure) { last_failure_ = std::move(failure); }

 private:
  std::exception_ptr last_failure_;
};

// Kept in memory only: tests, and runs that must not touch the user's settings.
// Key paths and value names compare without letter case, as the registry's do;
// each keeps the spelling it was first written with.
class MemorySettingsStore : public SettingsStore {
 public:
  struct Value {
    std::string name;  // as first written
    bool is_int = false;
    std::int32_t number = 0;
    std::string text;
  };
  using Key = std::map<std::string, Value>;  // folded name -> value

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
  static std::string Fold(std::string_view name);
  const Value* Find(std::string_view key, std::string_view name) const;
  Value& Slot(std::string_view key, std::string_view name);
  void Clear();
  std::map<std::string, Key> keys_;
  std::map<std::string, std::string> key_names_;  // folded -> as first written
};

// An INI file: one [section] per key, values as name=s:text or name=i:number.
//
// Several programs may use the file at once (two windows, the command-line
// tool), so the file is the truth, not what this object read at its start:
// every read takes the file as it is now, and every write reads it again,
// changes only the value written and replaces the file atomically. So one
// program saving its recent files never undoes the option defaults another
// saved a moment before.
class IniSettingsStore : public MemorySettingsStore {
 public:
  explicit IniSettingsStore(std::string path);
  const std::string& Path() const { return path_; }

  bool KeyExists(std::string_view key) const override;
  std::vector<std::string> ValueNames(std::string_view key) const override;
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const override;
  std::optional<std::int32_t> ReadInt(std::string_view key, std::string_view name) const override;
  bool CreateKey(std::string_view key) override;
  bool WriteString(std::string_view key, std::string_view name, std::string_view value) override;
  bool WriteInt(std::string_view key, std::string_view name, std::int32_t value) override;

  // The usual place: $XDG_CONFIG_HOME/typelane/settings.ini, else
  // ~/.config/typelane/settings.ini, else settings.ini in the current folder.
  static std::string DefaultPath();

 private:
  // Reads the file into memory (an unreadable or missing file reads as empty).
  void Load() const;
  // Reads the file again, puts value_line in place of the value's line (or
  // only makes sure of the key when there is none) and replaces the file.
  bool Change(std::string_view key, std::string_view name,
              const std::optional<std::string>& value_line);
  std::string path_;
};

}  // namespace typelane
