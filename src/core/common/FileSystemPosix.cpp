// Reading and saving files on Linux and other POSIX systems.

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>

#include "core/common/AppendFile.h"
#include "core/common/Errors.h"
#include "core/common/FileSystem.h"

namespace typelane {
namespace {

using file_system_detail::IsTemporaryName;
using file_system_detail::NextTemporarySuffix;
using file_system_testing::TemporaryName;

[[noreturn]] void Fail(const std::string& path, int error) {
  throw FileError(path, std::generic_category().message(error));
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(int fd) {
    Close();
    fd_ = fd;
    return *this;
  }
  int Get() const { return fd_; }
  void Release() { fd_ = -1; }
  bool Ok() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// SIGINT, SIGTERM, SIGHUP and SIGQUIT wait while a temporary file has a name,
// so that ending the program then leaves none behind. They are delivered when
// the save is done.
class HoldSignals {
 public:
  HoldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~HoldSignals() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  HoldSignals(const HoldSignals&) = delete;
  HoldSignals& operator=(const HoldSignals&) = delete;

 private:
  sigset_t old_;
};

struct PathParts {
  std::string dir;
  std::string base;
};

PathParts SplitPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  if (slash == 0) return {"/", path.substr(1)};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// Writes all bytes at the current position.
void WriteAll(int fd, const std::string& path, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// Writes what produce hands over at the current position.
void WriteAll(int fd, const std::string& path, const ByteProducer& produce) {
  produce([fd, &path](std::string_view bytes) { WriteAll(fd, path, bytes); });
}

// The whole text, for the ways of saving that must know its size first.
std::string Collect(const ByteProducer& produce) {
  std::string bytes;
  produce([&bytes](std::string_view block) { bytes.append(block); });
  return bytes;
}

// Replaces the content of an open regular file. The space is reserved first,
// so a full disk fails before a byte of the old text changes.
void WriteOver(int fd, const std::string& path, std::string_view bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) Fail(path, errno);
  const off_t old_size = st.st_size;
  if (static_cast<off_t>(bytes.size()) > old_size) {
    const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
    if (r != 0 && r != EOPNOTSUPP && r != EINVAL) {
      // Whatever the reservation added goes again.
      if (::ftruncate(fd, old_size) != 0) {
      }
      Fail(path, r);
    }
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    done += static_cast<size_t>(n);
  }
  // The new text is on the disk before the file is cut to its length.
  if (::fsync(fd) != 0) Fail(path, errno);
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) Fail(path, errno);
  if (::fsync(fd) != 0) Fail(path, errno);
}

std::string ReadLink(const std::string& link, const std::string& path) {
  std::string target(256, '\0');
  while (true) {
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
    if (n < 0) Fail(path, errno);
    if (static_cast<size_t>(n) < target.size()) {
      target.resize(static_cast<size_t>(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

std::string RealPath(const std::string& dir, const std::string& path) {
  char* real = ::realpath(dir.c_str(), nullptr);
  if (!real) Fail(path, errno);
  std::string result(real);
  std::free(real);
  return result;
}

// What a save writes to.
struct Target {
  std::string file;     // the file itself, links followed
  bool direct = false;  // not a regular file: written as it is, no temporary
  bool exists = false;
  struct stat st {};
};

Target FindTarget(const std::string& path) {
  Target t;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) Fail(path, EISDIR);
    if (!S_ISREG(st.st_mode)) {
      t.file = path;
      t.direct = true;
      return t;
    }
  } else if (errno != ENOENT) {
    Fail(path, errno);
  }
  // Links are followed one by one, so the save replaces the file they lead to
  // (or creates it where a link points to nothing yet) and the links stay.
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat lst;
    if (::lstat(current.c_str(), &lst) != 0) {
      if (errno != ENOENT) Fail(path, errno);
      t.file = current;
      return t;
    }
    if (!S_ISLNK(lst.st_mode)) {
      t.file = current;
      t.exists = true;
      t.st = lst;
      return t;
    }
    const std::string dir = RealPath(SplitPath(current).dir, path);
#if defined(__linux__)
    // /dev/stdout, /dev/fd/N and /proc/self/fd/N name a file the program
    // already has open (the shell's redirection): write it as it is.
    if (dir == "/proc" || dir.starts_with("/proc/")) {
      t.file = path;
      t.direct = true;
      return t;
    }
#endif
    const std::string link = ReadLink(current, path);
    current = link.starts_with('/') ? link : (dir == "/" ? "" : dir) + "/" + link;
  }
  Fail(path, ELOOP);
}

void WriteDirect(const std::string& path, const ByteProducer& produce) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
  if (!fd.Ok()) Fail(path, errno);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) Fail(path, errno);
  if (S_ISREG(st.st_mode)) {
    WriteOver(fd.Get(), path, Collect(produce));
  } else {
    WriteAll(fd.Get(), path, produce);
  }
}

// Temporary files of earlier saves of this file that a SIGKILL or a power cut
// left behind. A save in progress holds a lock on its temporary file; one that
// nobody holds is dead.
void RemoveDeadTemporaries(int dir_fd, const std::string& base) {
  const int list_fd = ::openat(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (list_fd < 0) return;
  DIR* dir = ::fdopendir(list_fd);
  if (!dir) {
    ::close(list_fd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsTemporaryName(name, base)) continue;
    Fd fd(
        ::openat(dir_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Ok()) continue;
    struct stat st, now;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (::fstatat(dir_fd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
      ::unlinkat(dir_fd, name.c_str(), 0);
    }
  }
  ::closedir(dir);
}

enum class Outcome { kSaved, kInPlace, kNoUnnamed };

// Gives the temporary file the old file's owner, group and mode. False when
// the owner or group cannot be kept: the file must then be written in place.
bool KeepAttributes(int fd, const Target& t, const std::string& path) {
  if (!t.exists) return true;
  struct stat mine;
  if (::fstat(fd, &mine) != 0) Fail(path, errno);
  if (mine.st_uid != t.st.st_uid || mine.st_gid != t.st.st_gid) {
    if (::fchown(fd, t.st.st_uid, t.st.st_gid) != 0) return false;
  }
  // After the owner: a change of owner clears the set-user-ID bit.
  if (::fchmod(fd, t.st.st_mode & 07777) != 0) Fail(path, errno);
  return true;
}

// An error on the way leaves the temporary file: remove it and report.
class NamedTemporary {
 public:
  explicit NamedTemporary(int dir_fd) : dir_fd_(dir_fd) {}
  ~NamedTemporary() {
    if (!name_.empty()) ::unlinkat(dir_fd_, name_.c_str(), 0);
  }
  NamedTemporary(const NamedTemporary&) = delete;
  NamedTemporary& operator=(const NamedTemporary&) = delete;
  void Set(std::string name) { name_ = std::move(name); }
  const std::string& Name() const { return name_; }
  void Renamed() { name_.clear(); }

 private:
  int dir_fd_;
  std::string name_;
};

// Copies everything from one open file to another, from the start.
void CopyAll(int from, int to, const std::string& path) {
  std::string buffer(1 << 20, '\0');
  off_t offset = 0;
  while (true) {
    const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    if (n == 0) return;
    size_t done = 0;
    while (done < static_cast<size_t>(n)) {
      const ssize_t w = ::pwrite(to, buffer.data() + done, static_cast<size_t>(n) - done,
                                 offset + static_cast<off_t>(done));
      if (w < 0) {
        if (errno == EINTR) continue;
        Fail(path, errno);
      }
      done += static_cast<size_t>(w);
    }
    offset += n;
  }
}

// The full path of a file, its folder's links resolved, as the backups folder
// records it.
std::string FullPath(const std::string& file, const std::string& path) {
  const PathParts parts = SplitPath(file);
  const std::string dir = RealPath(parts.dir, path);
  return (dir == "/" ? "" : dir) + "/" + parts.base;
}

// A whole copy of a file as it was before it is written over in place. It
// takes its name only once it is complete and on the disk, so a backup that
// exists is always whole. This save holds a lock on it: one that nobody holds
// was left by a save that did not finish.
class Backup {
 public:
  Backup(const Target& t, const std::string& path) : path_(path), mode_(t.st.st_mode) {
    const PathParts parts = SplitPath(t.file);
    dir_fd_ = ::open(parts.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!dir_fd_.Ok()) Fail(path, errno);
    name_ = file_system_detail::BackupNameBeside(parts.base);
    RemoveDeadTemporaries(dir_fd_.Get(), name_);
    if (Make(t.file)) return;
    // The file's folder cannot be written: the user's backups folder, with
    // the file's path beside the copy.
    const std::string folder = file_system_detail::BackupFolder();
    if (folder.empty()) Refuse("the user has no data folder");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    ::chmod(folder.c_str(), 0700);
    dir_fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!dir_fd_.Ok()) Refuse(folder + ": " + std::generic_category().message(errno));
    const std::string full = FullPath(t.file, path);
    name_ = file_system_detail::BackupNameInFolder(full);
    side_name_ = name_ + ".path";
    RemoveDeadTemporaries(dir_fd_.Get(), name_);
    if (!Make(t.file, full)) Refuse(folder + ": " + std::generic_category().message(errno));
  }
  Backup(const Backup&) = delete;
  Backup& operator=(const Backup&) = delete;

  // Writes the backup back over the file after a failed write; true when the
  // file is whole again.
  bool Restore(int fd) {
    struct stat st;
    if (::fstat(lock_.Get(), &st) != 0) return false;
    try {
      CopyAll(lock_.Get(), fd, path_);
    } catch (const FileError&) {
      return false;
    }
    return ::fsync(fd) == 0 && ::ftruncate(fd, st.st_size) == 0 && ::fsync(fd) == 0;
  }

  // The file is whole: the backup goes, then its side file.
  void Remove() {
    ::unlinkat(dir_fd_.Get(), name_.c_str(), 0);
    if (!side_name_.empty()) ::unlinkat(dir_fd_.Get(), side_name_.c_str(), 0);
    ::fsync(dir_fd_.Get());
  }

 private:
  [[noreturn]] void Refuse(const std::string& why) {
    throw FileError(path_,
                    "No backup of the file could be made before writing over it (" + why + ")");
  }

  // Makes the backup in dir_fd_ (or keeps one a save that did not finish left
  // there: it holds the file as it was before, and the file itself may be torn
  // now). False when the folder cannot be written.
  bool Make(const std::string& file, const std::string& full_path = {}) {
    Fd existing(::openat(dir_fd_.Get(), name_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (existing.Ok()) {
      if (::flock(existing.Get(), LOCK_EX | LOCK_NB) != 0) Fail(path_, EBUSY);
      lock_ = existing.Get();
      existing.Release();
      return true;
    }
    if (!full_path.empty()) {
      Fd side(::openat(dir_fd_.Get(), side_name_.c_str(),
                       O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (!side.Ok()) return false;
      WriteAll(side.Get(), path_, full_path + "\n");
      if (::fsync(side.Get()) != 0) Fail(path_, errno);
    }
    NamedTemporary temporary(dir_fd_.Get());
    Fd fd;
    for (int attempt = 0; !fd.Ok(); ++attempt) {
      std::string name = TemporaryName(name_, NextTemporarySuffix());
      fd = ::openat(dir_fd_.Get(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0600);
      if (fd.Ok()) {
        temporary.Set(std::move(name));
      } else if (errno == EACCES || errno == EPERM || errno == EROFS) {
        return false;
      } else if (errno != EEXIST || attempt > 100) {
        Fail(path_, errno);
      }
    }
    ::flock(fd.Get(), LOCK_EX);
    // As readable as the file itself, no more: whoever may open the file may
    // open its backup and be told of it.
    ::fchmod(fd.Get(), mode_ & 0666);
    Fd source(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    if (!source.Ok()) Refuse(std::generic_category().message(errno));
    CopyAll(source.Get(), fd.Get(), path_);
    if (::fsync(fd.Get()) != 0) Fail(path_, errno);
    if (::renameat(dir_fd_.Get(), temporary.Name().c_str(), dir_fd_.Get(), name_.c_str()) != 0)
      Fail(path_, errno);
    temporary.Renamed();
    if (::fsync(dir_fd_.Get()) != 0) Fail(path_, errno);
    lock_ = fd.Get();
    fd.Release();
    return true;
  }

  std::string path_;
  mode_t mode_;
  Fd dir_fd_;
  Fd lock_;
  std::string name_;
  std::string side_name_;
};

void WriteInPlace(const Target& t, const std::string& path, const ByteProducer& produce) {
  const std::string bytes = Collect(produce);
  HoldSignals hold;
  Fd fd(::open(t.file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
  if (!fd.Ok()) Fail(path, errno);
  Backup backup(t, path);
  try {
    WriteOver(fd.Get(), path, bytes);
  } catch (const FileError&) {
    if (backup.Restore(fd.Get())) backup.Remove();
    throw;
  }
  backup.Remove();
}

void Commit(int dir_fd, NamedTemporary& temporary, const std::string& base,
            const std::string& path) {
  if (::renameat(dir_fd, temporary.Name().c_str(), dir_fd, base.c_str()) != 0) Fail(path, errno);
  temporary.Renamed();
  // The new name is on the disk too, not only the new bytes.
  ::fsync(dir_fd);
}

#if defined(O_TMPFILE)
// The bytes go to an unnamed file, which gets a name only for the moment
// between linking it into the folder and renaming it over the old file.
Outcome SaveUnnamed(int dir_fd, const Target& t, const std::string& base, const std::string& path,
                    const ByteProducer& produce) {
  Fd fd(::openat(dir_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, t.exists ? 0600 : 0666));
  if (!fd.Ok()) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return Outcome::kNoUnnamed;
    if ((errno == EACCES || errno == EPERM) && t.exists) return Outcome::kInPlace;
    Fail(path, errno);
  }
  ::flock(fd.Get(), LOCK_EX);
  WriteAll(fd.Get(), path, produce);
  if (!KeepAttributes(fd.Get(), t, path)) return Outcome::kInPlace;
  if (::fsync(fd.Get()) != 0) Fail(path, errno);

  HoldSignals hold;
  NamedTemporary temporary(dir_fd);
  const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
  for (int attempt = 0; temporary.Name().empty(); ++attempt) {
    std::string name = TemporaryName(base, NextTemporarySuffix());
    if (::linkat(AT_FDCWD, self.c_str(), dir_fd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporary.Set(std::move(name));
    } else if (errno == ENOENT && attempt == 0) {
      // No /proc: only a privileged process may link the file by its descriptor.
      if (::linkat(fd.Get(), "", dir_fd, name.c_str(), AT_EMPTY_PATH) == 0) {
        temporary.Set(std::move(name));
      } else if (errno != EEXIST) {
        return Outcome::kNoUnnamed;
      }
    } else if (errno != EEXIST || attempt > 100) {
      Fail(path, errno);
    }
  }
  Commit(dir_fd, temporary, base, path);
  return Outcome::kSaved;
}
#endif

// The same with a temporary file that has a name from the start.
Outcome SaveNamed(int dir_fd, const Target& t, const std::string& base, const std::string& path,
                  const ByteProducer& produce) {
  HoldSignals hold;
  NamedTemporary temporary(dir_fd);
  Fd fd;
  for (int attempt = 0; !fd.Ok(); ++attempt) {
    std::string name = TemporaryName(base, NextTemporarySuffix());
    // Exclusive, and never through a link someone put at that name.
    fd = ::openat(dir_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  t.exists ? 0600 : 0666);
    if (fd.Ok()) {
      temporary.Set(std::move(name));
    } else if ((errno == EACCES || errno == EPERM) && t.exists) {
      return Outcome::kInPlace;
    } else if (errno != EEXIST || attempt > 100) {
      Fail(path, errno);
    }
  }
  ::flock(fd.Get(), LOCK_EX);
  WriteAll(fd.Get(), path, produce);
  if (!KeepAttributes(fd.Get(), t, path)) return Outcome::kInPlace;
  if (::fsync(fd.Get()) != 0) Fail(path, errno);
  Commit(dir_fd, temporary, base, path);
  return Outcome::kSaved;
}

// The backup of the file at path, if a save that did not finish left one: it
// exists, is a regular file and no running save holds its lock.
std::string DeadBackup(const std::string& path) {
  const Target t = FindTarget(path);
  if (!t.exists) return {};
  auto dead = [](const std::string& name) {
    Fd fd(::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    return fd.Ok() && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::flock(fd.Get(), LOCK_SH | LOCK_NB) == 0;
  };
  const PathParts parts = SplitPath(t.file);
  const std::string name = file_system_detail::BackupNameBeside(parts.base);
  const std::string beside = t.file.find('/') == std::string::npos
                                 ? name
                                 : (parts.dir == "/" ? "" : parts.dir) + "/" + name;
  if (dead(beside)) return beside;
  const std::string folder = file_system_detail::BackupFolder();
  if (folder.empty()) return {};
  const std::string full = FullPath(t.file, path);
  const std::string kept = folder + "/" + file_system_detail::BackupNameInFolder(full);
  if (!dead(kept)) return {};
  // The side file names the file the copy is of: a backup of another file
  // whose path gives the same name is not this file's.
  try {
    if (ReadFileBytes(kept + ".path") != full + "\n") return {};
  } catch (const FileError&) {
    return {};
  }
  return kept;
}

void RemoveBackup(const std::string& path) {
  const std::string backup = DeadBackup(path);
  if (backup.empty()) return;
  ::unlink(backup.c_str());
  ::unlink((backup + ".path").c_str());
}

}  // namespace

std::string InterruptedSaveBackup(const std::string& path) {
  try {
    return DeadBackup(path);
  } catch (const FileError&) {
    return {};
  }
}

std::filesystem::path PathFromName(const std::string& name) { return std::filesystem::path(name); }

std::string NameFromPath(const std::filesystem::path& path) { return path.native(); }

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string ReadFileBytes(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (!fd.Ok()) Fail(path, errno);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) Fail(path, errno);
  if (S_ISDIR(st.st_mode)) Fail(path, EISDIR);
  std::string bytes;
  if (S_ISREG(st.st_mode)) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  while (true) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  return bytes;
}

std::tm LocalTime(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

std::unique_ptr<AppendFile> AppendFile::CreateNew(const std::string& path) {
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return nullptr;
    Fail(path, errno);
  }
  return std::unique_ptr<AppendFile>(new AppendFile(path, fd));
}

AppendFile::~AppendFile() { ::close(static_cast<int>(handle_)); }

void AppendFile::Append(std::string_view bytes) {
  WriteAll(static_cast<int>(handle_), path_, bytes);
}

bool CanCreateFilesIn(const std::string& folder) {
  const std::string dir = folder.empty() ? "." : folder;
#if defined(O_TMPFILE)
  if (!file_system_detail::NamedTemporariesOnly()) {
    Fd fd(::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd.Ok()) return true;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string probe = dir + "/" + TemporaryName("typelane-probe", NextTemporarySuffix());
    Fd fd(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Ok()) {
      ::unlink(probe.c_str());
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  WriteFileAtomic(path,
                  [bytes](const std::function<void(std::string_view)>& write) { write(bytes); });
}

void WriteFileAtomic(const std::string& path, const ByteProducer& produce) {
  if (path.empty()) Fail(path, ENOENT);
  // Past the file-size limit a write then fails (EFBIG) and the save says so,
  // instead of the signal ending the program in the middle of a file.
  struct sigaction size_action {};
  if (::sigaction(SIGXFSZ, nullptr, &size_action) == 0 && size_action.sa_handler == SIG_DFL) {
    ::signal(SIGXFSZ, SIG_IGN);
  }
  const file_system_detail::SaveScope running;
  const Target t = FindTarget(path);
  if (t.direct) return WriteDirect(t.file, produce);
  if (t.exists) {
    if (::faccessat(AT_FDCWD, t.file.c_str(), W_OK, AT_EACCESS) != 0) Fail(path, errno);
    // Also where the system would let an administrator write it.
    if ((t.st.st_mode & 0222) == 0) throw FileError(path, "The file is read-only");
    if (t.st.st_nlink > 1) return WriteInPlace(t, path, produce);
  }
  const PathParts parts = SplitPath(t.file);
  if (parts.base.empty()) Fail(path, EISDIR);
  Fd dir_fd(::open(parts.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir_fd.Ok()) Fail(path, errno);
  RemoveDeadTemporaries(dir_fd.Get(), parts.base);

  Outcome outcome = Outcome::kNoUnnamed;
#if defined(O_TMPFILE)
  if (!file_system_detail::NamedTemporariesOnly()) {
    outcome = SaveUnnamed(dir_fd.Get(), t, parts.base, path, produce);
  }
#endif
  if (outcome == Outcome::kNoUnnamed)
    outcome = SaveNamed(dir_fd.Get(), t, parts.base, path, produce);
  if (outcome == Outcome::kInPlace) return WriteInPlace(t, path, produce);
  // The file is whole and new: a backup an interrupted save left has served.
  if (t.exists) RemoveBackup(path);
}

}  // namespace typelane
