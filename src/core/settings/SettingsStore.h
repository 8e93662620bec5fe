#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/PrivateFiles.h"

namespace typelane {

class SecretStore;

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
// The file and the folders made for it are the user's alone (0600/0700).
//
// Several programs may use the file at once (two windows, the command-line
// tool), so the file is the truth, not what this object read at its start.
// Reads take the file as it is now, but parse it only when it is another file
// or was written since the last parse (its FileStamp), so reading every option
// costs one parse. A write takes the lock file beside it, reads the file
// again, changes only the value written and replaces the file atomically: two
// programs writing at once never lose each other's values.
//
// The sign-on password (Options, "Password") is a secret: with a secret store
// that can be reached it is kept there under the user name stored beside it,
// and the file holds none. Without one it is kept in the file, and the user is
// told so once. A password in the file (an older version's, or one written
// where no secret store could be reached) is the newer one: it is read first,
// and the next write that reaches the secret store moves it there.
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

  // Secrets go to secrets (null: none to reach). warn is given, once per
  // store, the text telling the user a password went into the file instead.
  void KeepSecretsIn(SecretStore* secrets, std::function<void(const std::string&)> warn);

  // The usual place: $XDG_CONFIG_HOME/typelane/settings.ini, else
  // ~/.config/typelane/settings.ini, else settings.ini in the current folder.
  // A relative XDG_CONFIG_HOME is ignored, as the base-directory rules say
  // (the user data folder follows the same rule for XDG_DATA_HOME).
  static std::string DefaultPath();

  // Where a password is kept when no secret store can be reached: what the
  // user is told, once.
  static std::string PlainPasswordNotice(const std::string& path);

 private:
  enum class Edit { kSet, kEnsureKey, kRemove };
  // Parses the file into memory unless it is the version parsed last (an
  // unreadable file keeps what was read before; a missing one reads as empty).
  void Load() const;
  // Under the lock: reads the file again, applies the edit (value_line is the
  // new line for kSet), moves a password left in the file to the secret store
  // when one can be reached, and replaces the file.
  bool Change(std::string_view key, std::string_view name, Edit edit,
              const std::string& value_line = {});
  std::string path_;
  mutable FileStamp parsed_;
  mutable bool have_parse_ = false;
  SecretStore* secrets_ = nullptr;
  std::function<void(const std::string&)> warn_;
  bool warned_ = false;
};

}  // namespace typelane
