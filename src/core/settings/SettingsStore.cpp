#include "core/settings/SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/common/PrivateFiles.h"
#include "core/common/Text.h"
#include "core/settings/Options.h"
#include "core/settings/SecretStore.h"

namespace typelane {
namespace {

// Values are kept one per line: line breaks become %CR% / %LF%, a percent sign %%.
std::string Unescape(std::string_view value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%') {
      if (value.substr(i, 2) == "%%") {
        out.push_back('%');
        i += 1;
        continue;
      }
      if (value.substr(i, 4) == "%CR%") {
        out.push_back('\r');
        i += 3;
        continue;
      }
      if (value.substr(i, 4) == "%LF%") {
        out.push_back('\n');
        i += 3;
        continue;
      }
    }
    out.push_back(value[i]);
  }
  return out;
}

std::string Escape(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\r') {
      out += "%CR%";
    } else if (c == '\n') {
      out += "%LF%";
    } else if (c == '%') {
      out += "%%";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string TextOfLines(const std::vector<std::string>& lines) {
  TextOut out;
  for (const auto& line : lines) out.Line(line);
  return out.Take();
}

// "[key]" -> key; nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

// The name of a value line ("name=t:value"); nothing for other lines.
std::optional<std::string_view> ValueLineName(std::string_view line) {
  if (line.empty() || line[0] == ';') return std::nullopt;
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return line.substr(0, eq);
}

}  // namespace

std::string MemorySettingsStore::Fold(std::string_view name) { return UpperCase(name); }

const MemorySettingsStore::Value* MemorySettingsStore::Find(std::string_view key,
                                                            std::string_view name) const {
  auto it = keys_.find(Fold(key));
  if (it == keys_.end()) return nullptr;
  auto v = it->second.find(Fold(name));
  return v == it->second.end() ? nullptr : &v->second;
}

MemorySettingsStore::Value& MemorySettingsStore::Slot(std::string_view key, std::string_view name) {
  Value& v = keys_[Fold(key)][Fold(name)];
  if (v.name.empty()) v.name = std::string(name);
  return v;
}

void MemorySettingsStore::Clear() {
  keys_.clear();
  key_names_.clear();
}

bool MemorySettingsStore::KeyExists(std::string_view key) const {
  return keys_.count(Fold(key)) != 0;
}

bool MemorySettingsStore::CreateKey(std::string_view key) {
  std::string folded = Fold(key);
  if (keys_.count(folded)) return true;
  if (read_only) return false;
  keys_[folded];
  key_names_[folded] = std::string(key);
  return true;
}

std::vector<std::string> MemorySettingsStore::ValueNames(std::string_view key) const {
  std::vector<std::string> names;
  auto it = keys_.find(Fold(key));
  if (it == keys_.end()) return names;
  for (const auto& [folded, value] : it->second) names.push_back(value.name);
  return names;
}

std::optional<std::string> MemorySettingsStore::ReadString(std::string_view key,
                                                           std::string_view name) const {
  const Value* v = Find(key, name);
  if (v == nullptr) return std::nullopt;
  if (v->is_int) return std::to_string(v->number);
  return v->text;
}

std::optional<std::int32_t> MemorySettingsStore::ReadInt(std::string_view key,
                                                         std::string_view name) const {
  const Value* v = Find(key, name);
  if (v == nullptr) return std::nullopt;
  if (v->is_int) return v->number;
  return TryStrToInt(v->text);
}

bool MemorySettingsStore::WriteString(std::string_view key, std::string_view name,
                                      std::string_view value) {
  if (read_only || !MemorySettingsStore::CreateKey(key)) return false;
  Value& v = Slot(key, name);
  v.is_int = false;
  v.text = std::string(value);
  return true;
}

bool MemorySettingsStore::WriteInt(std::string_view key, std::string_view name,
                                   std::int32_t value) {
  if (read_only || !MemorySettingsStore::CreateKey(key)) return false;
  Value& v = Slot(key, name);
  v.is_int = true;
  v.number = value;
  return true;
}

// ---- IniSettingsStore ----

namespace {

// The file as it is now: empty when there is none yet; nothing when a file is
// there but cannot be read.
std::optional<std::string> CurrentFile(const std::string& path) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(PathFromName(path), ec);
  if (ec) return std::nullopt;
  if (!exists) return std::string();
  try {
    return ReadFileBytes(path);
  } catch (const PlatformError&) {
    return std::nullopt;
  }
}

bool IsPassword(std::string_view key, std::string_view name) {
  return UpperCase(key) == UpperCase(kOptionsKey) && UpperCase(name) == "PASSWORD";
}

// The file's text with one change in section key: the value line of name set
// (the first line of that name replaced and any later ones, which a hand edit
// may have left, dropped; or the line added at the end of the section, or
// with a new section), removed, or only the section made sure of. Every
// other line stays as it was.
std::string EditedFile(std::string_view bytes, std::string_view key, std::string_view name,
                       bool ensure_key, const std::optional<std::string>& value_line) {
  const std::string folded_key = UpperCase(key);
  const std::string folded_name = UpperCase(name);
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(bytes)) lines.emplace_back(line);

  size_t section_end = lines.size();  // where a new value line goes
  bool in_section = false, found_section = false, set = false;
  std::vector<std::string> out;
  out.reserve(lines.size() + 2);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto section = SectionName(lines[i])) {
      in_section = !found_section && UpperCase(*section) == folded_key;
      if (in_section) found_section = true;
      out.push_back(std::move(lines[i]));
      if (in_section) section_end = out.size();
      continue;
    }
    if (in_section) {
      auto line_name = ValueLineName(lines[i]);
      if (!ensure_key && line_name && UpperCase(*line_name) == folded_name) {
        if (value_line && !set) {
          // The name keeps the spelling the file has, as a registry value does.
          out.push_back(std::string(*line_name) + value_line->substr(name.size()));
          set = true;
          section_end = out.size();
        }
        continue;
      }
      out.push_back(std::move(lines[i]));
      if (!out.back().empty()) section_end = out.size();
      continue;
    }
    out.push_back(std::move(lines[i]));
  }
  if (!found_section) {
    if (!ensure_key && !value_line) return std::string(bytes);  // nothing to remove
    out.push_back("[" + std::string(key) + "]");
    section_end = out.size();
  }
  if (value_line && !set) out.insert(out.begin() + static_cast<long>(section_end), *value_line);
  return TextOfLines(out);
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)) { Load(); }

std::string IniSettingsStore::DefaultPath() {
  // Only an absolute XDG_CONFIG_HOME counts: a relative one would put the
  // settings wherever the program happens to start.
  if (const std::string xdg = EnvironmentValue("XDG_CONFIG_HOME");
      !xdg.empty() && PathFromName(xdg).is_absolute()) {
    return NameFromPath(PathFromName(xdg) / "typelane" / "settings.ini");
  }
  if (const std::string home = EnvironmentValue("HOME"); !home.empty()) {
    return NameFromPath(PathFromName(home) / ".config" / "typelane" / "settings.ini");
  }
  return "settings.ini";
}

std::string IniSettingsStore::PlainPasswordNotice(const std::string& path) {
  return "No secret store of the desktop (GNOME Keyring, KWallet) could be reached, so the "
         "sign-on password is kept in the settings file, which only you can read:\r" +
         path;
}

void IniSettingsStore::KeepSecretsIn(SecretStore* secrets,
                                     std::function<void(const std::string&)> warn) {
  secrets_ = secrets;
  warn_ = std::move(warn);
}

void IniSettingsStore::Load() const {
  const FileStamp stamp = StampOf(path_);
  if (have_parse_ && stamp == parsed_) return;
  const std::optional<std::string> bytes = CurrentFile(path_);
  // A file that cannot be read now keeps what was read before.
  if (!bytes) return;
  // Reading refreshes the copy in memory; the store is the file's view.
  auto& self = const_cast<IniSettingsStore&>(*this);
  self.Clear();
  std::string key;
  for (std::string_view line : SplitLines(*bytes)) {
    if (auto section = SectionName(line)) {
      key = std::string(*section);
      self.MemorySettingsStore::CreateKey(key);
      continue;
    }
    auto name = ValueLineName(line);
    const size_t eq = name ? name->size() : 0;
    if (key.empty() || !name || line.size() < eq + 3 || line[eq + 2] != ':') continue;
    const char type = line[eq + 1];
    std::string_view value = line.substr(eq + 3);
    if (type == 'i') {
      if (auto n = TryStrToInt(value)) self.MemorySettingsStore::WriteInt(key, *name, *n);
    } else if (type == 's') {
      self.MemorySettingsStore::WriteString(key, *name, Unescape(value));
    }
  }
  // Stamped before reading: a save in between is parsed again next time.
  parsed_ = stamp;
  have_parse_ = true;
}

bool IniSettingsStore::KeyExists(std::string_view key) const {
  Load();
  return MemorySettingsStore::KeyExists(key);
}

std::vector<std::string> IniSettingsStore::ValueNames(std::string_view key) const {
  Load();
  return MemorySettingsStore::ValueNames(key);
}

std::optional<std::string> IniSettingsStore::ReadString(std::string_view key,
                                                        std::string_view name) const {
  Load();
  std::optional<std::string> value = MemorySettingsStore::ReadString(key, name);
  // A password in the file is the newer one: every write that reaches the
  // secret store takes it out of the file, so it was written where none could
  // be reached (or by an older version).
  if (secrets_ != nullptr && !value && IsPassword(key, name)) {
    return secrets_->Lookup(MemorySettingsStore::ReadString(kOptionsKey, "UserName").value_or(""));
  }
  return value;
}

std::optional<std::int32_t> IniSettingsStore::ReadInt(std::string_view key,
                                                      std::string_view name) const {
  Load();
  return MemorySettingsStore::ReadInt(key, name);
}

bool IniSettingsStore::Change(std::string_view key, std::string_view name, Edit edit,
                              const std::string& value_line) {
  if (read_only) {
    NoteFailure(std::make_exception_ptr(FileError(path_, "The settings are read-only")));
    return false;
  }
  try {
    const std::filesystem::path p = PathFromName(path_);
    if (p.has_parent_path()) CreatePrivateFolders(NameFromPath(p.parent_path()));
    // Held from reading to replacing, so a value another program writes
    // meanwhile is either in what is read here or waits for this save.
    FileLock lock(path_ + ".lock");
    // Made the user's alone before a byte of it is written; saving keeps the mode.
    MakePrivateFile(path_);
    // Written from a file that could not be read, every other value would be lost.
    std::string bytes = ReadFileBytes(path_);
    std::string edited;
    switch (edit) {
      case Edit::kSet:
        edited = EditedFile(bytes, key, name, false, value_line);
        break;
      case Edit::kEnsureKey:
        edited = EditedFile(bytes, key, name, true, std::nullopt);
        break;
      case Edit::kRemove:
        edited = EditedFile(bytes, key, name, false, std::nullopt);
        break;
    }
    // A password left in the file (by an older version, or written where no
    // secret store could be reached) goes to the secret store.
    if (secrets_ != nullptr && !IsPassword(key, name)) {
      Load();
      if (auto plain = MemorySettingsStore::ReadString(kOptionsKey, "Password")) {
        const std::string user =
            MemorySettingsStore::ReadString(kOptionsKey, "UserName").value_or("");
        if (plain->empty() ? secrets_->Remove(user) : secrets_->Store(user, *plain)) {
          edited = EditedFile(edited, kOptionsKey, "Password", false, std::nullopt);
        }
      }
    }
    if (edited != bytes) WriteFileAtomic(path_, edited);
  } catch (const FileError& e) {
    // The message names the settings file, whatever part of saving it failed.
    NoteFailure(std::make_exception_ptr(FileError(path_, e.Reason())));
    return false;
  } catch (const std::filesystem::filesystem_error& e) {
    NoteFailure(std::make_exception_ptr(FileError(path_, e.code().message())));
    return false;
  } catch (const std::exception& e) {
    NoteFailure(std::make_exception_ptr(FileError(path_, e.what())));
    return false;
  }
  Load();
  return true;
}

bool IniSettingsStore::CreateKey(std::string_view key) {
  if (KeyExists(key)) return true;
  return Change(key, "", Edit::kEnsureKey);
}

bool IniSettingsStore::WriteString(std::string_view key, std::string_view name,
                                   std::string_view value) {
  if (IsPassword(key, name) && !read_only) {
    if (secrets_ != nullptr) {
      Load();
      const std::string user =
          MemorySettingsStore::ReadString(kOptionsKey, "UserName").value_or("");
      const bool kept = value.empty() ? secrets_->Remove(user) : secrets_->Store(user, value);
      // In the secret store: no copy stays in the file.
      if (kept) return Change(key, name, Edit::kRemove);
    }
    if (!Change(key, name, Edit::kSet, std::string(name) + "=s:" + Escape(value))) return false;
    if (!value.empty() && !warned_ && warn_) {
      warned_ = true;
      warn_(PlainPasswordNotice(path_));
    }
    return true;
  }
  return Change(key, name, Edit::kSet, std::string(name) + "=s:" + Escape(value));
}

bool IniSettingsStore::WriteInt(std::string_view key, std::string_view name, std::int32_t value) {
  return Change(key, name, Edit::kSet, std::string(name) + "=i:" + std::to_string(value));
}

}  // namespace typelane
