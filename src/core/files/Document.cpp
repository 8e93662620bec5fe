#include "core/files/Document.h"

#include "core/common/Errors.h"
#include "core/common/FileText.h"
#include "core/files/ProgramFolder.h"
#include "core/settings/SettingsStore.h"

namespace typelane {

Document::Document(Prompter& prompter, SettingsStore& settings, std::string program_folder)
    : prompter_(prompter), settings_(settings), program_folder_(std::move(program_folder)) {
  options = LoadOptionDefaults(settings_);
}

std::string Document::SizeText() const {
  return " Data size: " + std::to_string(sheet.LastCol()) + " Cols, " +
         std::to_string(sheet.LastRow()) + " Rows";
}

std::string Document::CommandsPath() const {
  return InProgramFolder(program_folder_, "commands.dat");
}

std::string Document::DropListsPath() const {
  return InProgramFolder(program_folder_, "droplists.dat");
}

void Document::LoadCommands(std::span<const std::string> lines) {
  BusyCursor busy(prompter_);
  if (!lines.empty()) {
    commands.Load(lines);
    command_group.clear();
    return;
  }
  std::string bytes;
  try {
    bytes = ReadFileBytes(CommandsPath());
  } catch (const PlatformError&) {
    prompter_.Error("Failed to open the commands file - no default commands loaded.");
    return;
  }
  std::vector<std::string_view> file_lines = SplitLines(bytes);
  commands.Load(file_lines);
  command_group.clear();
}

bool Document::SaveCommands() {
  BusyCursor busy(prompter_);
  TextOut out;
  for (const auto& line : commands.SaveLines()) out.Line(line);
  try {
    WriteFileAtomic(CommandsPath(), out.Text());
  } catch (const std::exception&) {
    prompter_.Error("Failed to save the commands file.");
    return false;
  }
  return true;
}

void Document::ResetModels() {
  LoadCommands({});
  delays.ResetToDefaults();
  delays.SyncCommandDelays(commands);
  options = LoadOptionDefaults(settings_);
}

void Document::AddRecentFile(const std::string& path) {
  auto& e = recent_;  // e[0] is entry 1
  if (path == e[4]) {
    e[4] = e[3];
    e[3] = path;
  }
  if (path == e[3]) {
    e[3] = e[2];
    e[2] = path;
  }
  if (path == e[2]) {
    e[2] = e[1];
    e[1] = path;
  }
  if (path == e[1]) {
    e[1] = e[0];
    e[0] = path;
  }
  if (path != e[0]) {
    for (int i = 3; i >= 0; --i) {
      if (!e[static_cast<size_t>(i)].empty()) e[static_cast<size_t>(i) + 1] = e[static_cast<size_t>(i)];
    }
    e[0] = path;
  }
}

void Document::ReadRecentFiles() {
  settings_.CreateKey(kRecentFilesKey);
  for (int n = 1; n <= 5; ++n) {
    const std::string name = "File" + std::to_string(n);
    auto value = settings_.ReadString(kRecentFilesKey, name);
    if (!value) {
      settings_.WriteString(kRecentFilesKey, name, "");
      value = std::string();
    }
    recent_[static_cast<size_t>(n - 1)] = *value;
  }
}

void Document::WriteRecentFiles() {
  if (!settings_.CreateKey(kRecentFilesKey)) return;
  for (int n = 1; n <= 5; ++n) {
    const std::string& path = recent_[static_cast<size_t>(n - 1)];
    if (!path.empty()) settings_.WriteString(kRecentFilesKey, "File" + std::to_string(n), path);
  }
}

}  // namespace typelane
