#include "core/settings/SettingsStore.h"

#include <cstdlib>
#include <filesystem>

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

}  // namespace

std::string MemorySettingsStore::Fold(std::string_view key) { return UpperCase(key); }

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
  for (const auto& [name, value] : it->second) names.push_back(name);
  return names;
}

std::optional<std::string> MemorySettingsStore::ReadString(std::string_view key,
                                                           std::string_view name) const {
  auto it = keys_.find(Fold(key));
  if (it == keys_.end()) return std::nullopt;
  auto v = it->second.find(std::string(name));
  if (v == it->second.end()) return std::nullopt;
  if (v->second.is_int) return std::to_string(v->second.number);
  return v->second.text;
}

std::optional<std::int32_t> MemorySettingsStore::ReadInt(std::string_view key,
                                                         std::string_view name) const {
  auto it = keys_.find(Fold(key));
  if (it == keys_.end()) return std::nullopt;
  auto v = it->second.find(std::string(name));
  if (v == it->second.end()) return std::nullopt;
  if (v->second.is_int) return v->second.number;
  return TryStrToInt(v->second.text);
}

bool MemorySettingsStore::WriteString(std::string_view key, std::string_view name,
                                      std::string_view value) {
  if (read_only || !CreateKey(key)) return false;
  Value& v = keys_[Fold(key)][std::string(name)];
  v.is_int = false;
  v.text = std::string(value);
  return true;
}

bool MemorySettingsStore::WriteInt(std::string_view key, std::string_view name,
                                   std::int32_t value) {
  if (read_only || !CreateKey(key)) return false;
  Value& v = keys_[Fold(key)][std::string(name)];
  v.is_int = true;
  v.number = value;
  return true;
}

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

void IniSettingsStore::Load() {
  std::string bytes;
  try {
    bytes = ReadFileBytes(path_);
  } catch (const PlatformError&) {
    return;  // no file yet: every value takes its default
  }
  std::string key;
  for (std::string_view line : SplitLines(bytes)) {
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      key = std::string(line.substr(1, line.size() - 2));
      MemorySettingsStore::CreateKey(key);
      continue;
    }
    size_t eq = line.find('=');
    if (key.empty() || eq == std::string_view::npos || line.size() < eq + 3 ||
        line[eq + 2] != ':') {
      continue;
    }
    std::string name(line.substr(0, eq));
    char type = line[eq + 1];
    std::string_view value = line.substr(eq + 3);
    if (type == 'i') {
      if (auto n = TryStrToInt(value)) MemorySettingsStore::WriteInt(key, name, *n);
    } else if (type == 's') {
      MemorySettingsStore::WriteString(key, name, Unescape(value));
    }
  }
}

bool IniSettingsStore::Save() {
  std::string out;
  for (const auto& [folded, values] : keys_) {
    out += "[" + key_names_[folded] + "]\r\n";
    for (const auto& [name, value] : values) {
      out += name;
      if (value.is_int) {
        out += "=i:" + std::to_string(value.number);
      } else {
        out += "=s:";
        for (char c : value.text) {
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
      }
      out += "\r\n";
    }
  }
  try {
    const std::filesystem::path p = PathFromName(path_);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    WriteFileAtomic(path_, out);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool IniSettingsStore::CreateKey(std::string_view key) {
  if (KeyExists(key)) return true;
  return MemorySettingsStore::CreateKey(key) && Save();
}

bool IniSettingsStore::WriteString(std::string_view key, std::string_view name,
                                   std::string_view value) {
  return MemorySettingsStore::WriteString(key, name, value) && Save();
}

bool IniSettingsStore::WriteInt(std::string_view key, std::string_view name, std::int32_t value) {
  return MemorySettingsStore::WriteInt(key, name, value) && Save();
}

}  // namespace typelane
