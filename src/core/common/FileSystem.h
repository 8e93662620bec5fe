#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The file-system calls the standard library lacks. One implementation per
// system, chosen by the build: FileSystemPosix.cpp and FileSystemWin32.cpp. The
// system's headers stay in those two files; every other file of the core is
// plain C++. Names are bytes; on Windows they are UTF-8 (or, when not valid
// UTF-8, the system code page).

namespace typelane {

// The name of a file as the standard library's file calls take it. On Windows
// the path is wide, converted from UTF-8 (or the system code page), so names in
// any language reach the wide-character calls; std::ifstream and
// std::filesystem given this path open the right file.
std::filesystem::path PathFromName(const std::string& name);
// The other way: a path as the program's names are kept (UTF-8 on Windows).
std::string NameFromPath(const std::filesystem::path& path);

// An environment variable's value, "" when unset. On Windows read wide and
// given in UTF-8, so a folder such as %APPDATA% keeps every letter of a user
// name in any language.
std::string EnvironmentValue(const char* name);

// The local time of day of a moment, as the user's clock shows it.
std::tm LocalTime(std::time_t moment);

// Reads a whole file. Throws FileError with the system's reason.
std::string ReadFileBytes(const std::string& path);

// Saves bytes as the file at path, keeping what the user set on it. Throws
// FileError with the system's reason, the file that was there left as it was.
//
// - A regular file is replaced atomically: the bytes go to a temporary file
//   beside it, created exclusively and never through a link (on Linux an
//   unnamed one, linked in only at the end), flushed to disk, given the old
//   file's mode, owner and group, and then renamed over it. A crash, a kill or
//   a full disk leaves the whole old file or the whole new one.
// - A symbolic link is saved through: the file it leads to gets the new text
//   and the link stays a link.
// - A file the user may not write (no write permission, read-only attribute)
//   is refused, never replaced.
// - A file with more than one name (hard links), a file whose owner or group a
//   new file could not be given, and a file in a folder the user may not write
//   are written in place, so every name keeps seeing it and it keeps its owner.
//   Written in place, a file is torn by a kill half-way, so a whole copy of it
//   as it was (the backup, see InterruptedSaveBackup) is made and synced first
//   and removed only once the new text is whole on the disk; a save that
//   cannot make one is refused. The space is reserved first, so a full disk
//   fails before a byte changes; an error half-way writes the backup back.
// - Anything that is not a regular file (a FIFO, a device, /dev/stdout) is
//   written directly.
// - No temporary file stays behind after an error, and none after SIGINT,
//   SIGTERM, SIGHUP or SIGQUIT in the saving thread (they wait until the save
//   is done). One a SIGKILL or a power cut left behind is removed by the next
//   save of the same file.
// - A file larger than the process may write (ulimit -f) fails with an error
//   instead of ending the program: SIGXFSZ is ignored from the first save on.
// - A save that succeeds removes a backup an earlier, interrupted one left.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// Hands the bytes of a file, block by block, to write. A save may call it more
// than once (when it has to start again another way); every call must hand over
// the same bytes.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& write)>;

// The same for a file made as it is written: a large file is never in memory
// whole, except where it must be written in place.
void WriteFileAtomic(const std::string& path, const ByteProducer& produce);

// The backup an interrupted in-place save of the file at path left behind,
// holding the whole file as it was before that save; "" when there is none
// (or when the save that made it is still running). Beside the file it is
// ".<name>.typelane-backup"; where the file's folder could not be written, it
// is in the "backups" folder of the user's data folder, named after the file
// and a hash of its full path, with that path in a side file of the same name
// ending ".path". Either is a plain copy of the old file.
std::string InterruptedSaveBackup(const std::string& path);

// True while a save runs in this process (any thread). A program that ends on
// a signal waits until it is false, so the save is never cut short by it.
bool SaveInProgress();

// True when a new file can be made in folder ("" is the current folder). The
// only sure test is to try (permissions, read-only mounts, access lists): a
// probe file is made exclusively, never through a link, and removed at once.
bool CanCreateFilesIn(const std::string& folder);

// For tests of the saving rules on every kind of system.
namespace file_system_testing {

// Saves use named temporary files, as on systems without unnamed ones; the
// given suffixes name them first (a test can prepare something there), random
// ones after.
void UseNamedTemporaries(bool named, std::vector<std::string> suffixes = {});

// The name a save of the file called base gives its temporary file.
std::string TemporaryName(std::string_view base, std::string_view suffix);

}  // namespace file_system_testing

// Shared by the two implementations (FileSystem.cpp).
namespace file_system_detail {

// True when name is what TemporaryName gives for base with some suffix.
bool IsTemporaryName(std::string_view name, std::string_view base);
// The suffix of the next temporary file: a test's, else six random letters
// and digits.
std::string NextTemporarySuffix();
bool NamedTemporariesOnly();

// The backup's name beside the file called base.
std::string BackupNameBeside(std::string_view base);
// The backup's name in the user's backups folder for the file at full_path.
std::string BackupNameInFolder(std::string_view full_path);
// The user's backups folder without a final separator; "" when the user has
// no data folder.
std::string BackupFolder();

// Counts the saves running in this process (SaveInProgress).
class SaveScope {
 public:
  SaveScope();
  ~SaveScope();
  SaveScope(const SaveScope&) = delete;
  SaveScope& operator=(const SaveScope&) = delete;
};

}  // namespace file_system_detail

#ifdef _WIN32
// The system's own words for a Windows error code (GetLastError, a registry
// call's result), as one line without the final stop.
std::string WindowsErrorText(unsigned long error);
#endif

}  // namespace typelane
