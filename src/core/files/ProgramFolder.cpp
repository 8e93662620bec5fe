#include "core/files/ProgramFolder.h"

#include "core/common/Text.h"

namespace typelane {

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

}  // namespace typelane
