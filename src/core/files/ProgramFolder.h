#pragma once

#include <string>
#include <string_view>

namespace typelane {

// The folder commands.dat and droplists.dat are looked for in, from the
// program's own full path: everything in front of "TYPELANE.EXE" (compared in
// upper case). Our executables are typelane, typelane.exe and typelane-cli, so
// an executable whose upper-cased name without extension is "TYPELANE" or
// "TYPELANE-CLI" also gives its own folder. Any other name gives "" (the
// current folder). The result ends in its separator, or is empty.
std::string ProgramFolderFromPath(std::string_view executable_path);

// folder + name (folder already ends in its separator or is empty).
std::string InProgramFolder(std::string_view folder, std::string_view name);

}  // namespace typelane
