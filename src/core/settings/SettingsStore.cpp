#include "core/settings/SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/common/Text.h"

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
// there but cannot be read (a write must not replace what it could not read).
std::optional<std::string> CurrentFile(const std::string& path) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  if (ec) return std::nullopt;
  if (!exists) return std::string();
  try {
    return ReadFileBytes(path);
  } catch (const PlatformError&) {
    return std::nullopt;
  }
}

// The file's text with one change: the value line of name in section key
// replaced (or added at the end of the section, or with a new section), or,
// with no line, only the section made sure of. Every other line stays as it was.
std::string EditedFile(std::string_view bytes, std::string_view key, std::string_view name,
                       const std::optional<std::string>& value_line) {
  const std::string folded_key = UpperCase(key);
  const std::string folded_name = UpperCase(name);
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(bytes)) lines.emplace_back(line);

  size_t section_end = lines.size();  // where a new value line goes
  bool in_section = false, found_section = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto section = SectionName(lines[i])) {
      if (in_section) break;
      in_section = UpperCase(*section) == folded_key;
      if (in_section) {
        found_section = true;
        section_end = i + 1;
      }
      continue;
    }
    if (!in_section) continue;
    if (!lines[i].empty()) section_end = i + 1;
    auto line_name = ValueLineName(lines[i]);
    if (value_line && line_name && UpperCase(*line_name) == folded_name) {
      // The name keeps the spelling the file has, as a registry value does.
      lines[i] = std::string(*line_name) + value_line->substr(name.size());
      return TextOfLines(lines);
    }
  }
  if (!found_section) {
    lines.push_back("[" + std::string(key) + "]");
    section_end = lines.size();
  }
  if (value_line) lines.insert(lines.begin() + static_cast<long>(section_end), *value_line);
  return TextOfLines(lines);
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)) { Load(); }

std::string IniSettingsStore::DefaultPath() {
  namespace fs = std::filesystem;
  if (const std::string xdg = EnvironmentValue("XDG_CONFIG_HOME"); !xdg.empty()) {
    return NameFromPath(PathFromName(xdg) / "typelane" / "settings.ini");
  }
  if (const std::string home = EnvironmentValue("HOME"); !home.empty()) {
    return NameFromPath(PathFromName(home) / ".config" / "typelane" / "settings.ini");
  }
  return "settings.ini";
}

void IniSettingsStore::Load() const {
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
  return MemorySettingsStore::ReadString(key, name);
}

std::optional<std::int32_t> IniSettingsStore::ReadInt(std::string_view key,
                                                      std::string_view name) const {
  Load();
  return MemorySettingsStore::ReadInt(key, name);
}

bool IniSettingsStore::Change(std::string_view key, std::string_view name,
                              const std::optional<std::string>& value_line) {
  if (read_only) {
    NoteFailure(std::make_exception_ptr(FileError(path_, "The settings are read-only")));
    return false;
  }
  try {
    // Written from a file that could not be read, every other value would be lost.
    std::string bytes;
    std::error_code ec;
    const bool exists = std::filesystem::exists(PathFromName(path_), ec);
    if (ec) throw FileError(path_, ec.message());
    if (exists) bytes = ReadFileBytes(path_);
    const std::filesystem::path p = PathFromName(path_);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    WriteFileAtomic(path_, EditedFile(bytes, key, name, value_line));
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
  return Change(key, "", std::nullopt);
}

bool IniSettingsStore::WriteString(std::string_view key, std::string_view name,
                                   std::string_view value) {
  return Change(key, name, std::string(name) + "=s:" + Escape(value));
}

bool IniSettingsStore::WriteInt(std::string_view key, std::string_view name, std::int32_t value) {
  return Change(key, name, std::string(name) + "=i:" + std::to_string(value));
}

}  // namespace typelane
