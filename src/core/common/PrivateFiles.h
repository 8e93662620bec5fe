#pragma once

#include <cstdint>
#include <string>

// The user's own files and folders (settings, data, logs, backups) and the
// lock that keeps two programs from writing the settings at once. Beside the
// file-system module, with one implementation per system chosen by the build:
// PrivateFilesPosix.cpp and PrivateFilesWin32.cpp.

namespace typelane {

// Makes folder and every missing folder above it, each readable by the user
// alone (0700 on POSIX, whatever the umask; on Windows they inherit the
// profile's access list). Folders that are there are left as they are. Throws
// FileError with the system's reason.
void CreatePrivateFolders(const std::string& folder);

// Makes sure the file at path is the user's alone: a missing file is created
// empty with mode 0600 (whatever the umask, never through a link); one that is
// there loses every permission of its group and of others. Throws FileError.
// Saves keep a file's mode, so what is written to it later stays private.
void MakePrivateFile(const std::string& path);

// What tells one version of a file from another without reading it: which file
// the name leads to, its size and when it was last written. A file replaced by
// a save is another file, even within the same clock tick.
struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // in the system's finest unit
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at path now; exists is false when there is none or it
// cannot be looked at.
FileStamp StampOf(const std::string& path);

// An exclusive advisory lock, held for the object's lifetime, on a lock file
// (created 0600 when missing and kept, so every program locks the same file).
// Waits while another process holds it. Throws FileError when the lock file
// cannot be made or locked. Every program that writes the settings takes it
// (flock on POSIX, LockFileEx on Windows); readers never need it, since saves
// replace the file whole.
class FileLock {
 public:
  explicit FileLock(const std::string& lock_path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::intptr_t handle_ = -1;
};

}  // namespace typelane
