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

// The user's own data folder, for a program installed where the user cannot
// write: $XDG_DATA_HOME/typelane/ (~/.local/share/typelane/ when it is not
// set), on Windows %APPDATA%\Typelane\. Ends in its separator; empty when the
// environment names no such place.
std::string UserDataFolder();

// Where a data file (commands.dat, droplists.dat) is read from: the user's copy
// when there is one, else the program folder's.
std::string DataFileToRead(std::string_view user_folder, std::string_view program_folder,
                           std::string_view name);

// Where a data file is written: the user's copy when there is one (so what is
// written is what is read next time), else the program folder when it can be
// written and is not an installed one (see InstalledProgramFolder), else the
// user's folder, which is created then.
std::string DataFileToWrite(std::string_view user_folder, std::string_view program_folder,
                            std::string_view name);

// True when folder (ending in its separator) is the program folder of an
// installed copy, whose files belong to the package manager or the installer
// and must never hold what a user's run learnt: a folder below /usr/, or one
// whose prefix (up to three levels up) holds bin/typelane or bin/typelane-cli
// leading into it, or share/applications with our desktop entry. A build
// folder or an unpacked portable copy is none of these.
bool InstalledProgramFolder(std::string_view folder);

// The names the desktop entry is installed under (the reverse-domain one first).
inline constexpr const char* kDesktopEntryNames[] = {"com.veltrax.Typelane.desktop",
                                                     "typelane.desktop"};

// True when a file can be created in folder ("" is the current folder).
bool FolderWritable(std::string_view folder);

}  // namespace typelane
