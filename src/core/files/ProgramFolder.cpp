#include "core/files/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/PrivateFiles.h"
#include "core/common/Text.h"

namespace typelane {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
    folder.push_back(kSeparator);
  return folder;
}

std::string Environment(const char* name) { return EnvironmentValue(name); }

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(PathFromName(path), ec);
}

}  // namespace

std::string ProgramFolderFromPath(std::string_view executable_path) {
  const std::string upper = UpperCase(executable_path);
  if (size_t at = upper.find("TYPELANE.EXE"); at != std::string::npos) {
    return std::string(executable_path.substr(0, at));
  }
  const size_t slash = upper.find_last_of("/\\");
  const size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = upper.substr(name_start);
  if (size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  if (stem == "TYPELANE" || stem == "TYPELANE-CLI") {
    return std::string(executable_path.substr(0, name_start));
  }
  return {};
}

std::string InProgramFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  path += name;
  return path;
}

std::string UserDataFolder() {
#if defined(_WIN32)
  const std::string app_data = Environment("APPDATA");
  if (app_data.empty()) return {};
  return WithSeparator(app_data) + "Typelane\\";
#else
  // A relative XDG_DATA_HOME is invalid and is ignored, as the XDG rules say.
  std::string base = Environment("XDG_DATA_HOME");
  if (base.empty() || base.front() != '/') {
    const std::string home = Environment("HOME");
    if (home.empty()) return {};
    base = WithSeparator(home) + ".local/share";
  }
  return WithSeparator(base) + "typelane/";
#endif
}

bool InstalledProgramFolder(std::string_view folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::path program = fs::weakly_canonical(PathFromName(std::string(folder)), ec);
  if (ec) return false;
  if (!program.has_filename()) program = program.parent_path();  // the trailing separator
#if !defined(_WIN32)
  if (program.generic_string().starts_with("/usr/")) return true;
#endif
  fs::path prefix = program;
  for (int up = 0; up < 3 && prefix.has_relative_path(); ++up) {
    prefix = prefix.parent_path();
    for (const char* entry : kDesktopEntryNames) {
      if (fs::exists(prefix / "share" / "applications" / entry, ec)) return true;
    }
    // The install's links in <prefix>/bin lead to the executables here; a
    // build folder's bin/ holds the executables themselves.
    for (const char* name : {"typelane", "typelane-cli"}) {
      const fs::path link = prefix / "bin" / name;
      if (!fs::is_symlink(link, ec)) continue;
      const fs::path target = fs::canonical(link, ec);
      if (!ec && target.parent_path() == program) return true;
    }
  }
  return false;
}

bool FolderWritable(std::string_view folder) {
  // Tried, not guessed from permissions: see CanCreateFilesIn.
  return CanCreateFilesIn(std::string(folder));
}

std::string DataFileToRead(std::string_view user_folder, std::string_view program_folder,
                           std::string_view name) {
  if (!user_folder.empty()) {
    std::string user_file = InProgramFolder(user_folder, name);
    if (FileExists(user_file)) return user_file;
  }
  return InProgramFolder(program_folder, name);
}

std::string DataFileToWrite(std::string_view user_folder, std::string_view program_folder,
                            std::string_view name) {
  if (user_folder.empty()) return InProgramFolder(program_folder, name);
  std::string user_file = InProgramFolder(user_folder, name);
  if (FileExists(user_file)) return user_file;
  if (!InstalledProgramFolder(program_folder) && FolderWritable(program_folder)) {
    return InProgramFolder(program_folder, name);
  }
  // A failure to create the folder shows as the failure to write the file.
  try {
    CreatePrivateFolders(std::string(user_folder));
  } catch (const PlatformError&) {
  }
  return user_file;
}

}  // namespace typelane
