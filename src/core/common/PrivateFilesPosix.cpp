#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/common/Errors.h"
#include "core/common/PrivateFiles.h"

namespace typelane {
namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
  throw FileError(path, std::generic_category().message(error));
}

}  // namespace

void CreatePrivateFolders(const std::string& folder) {
  if (folder.empty()) return;
  // Each level is made in turn, so the ones made here are 0700 too (the
  // umask would otherwise decide, and mkdir -p style calls give 0755).
  std::string::size_type at = folder.find_first_not_of('/');
  while (at != std::string::npos) {
    const std::string::size_type end = folder.find('/', at);
    const std::string part = folder.substr(0, end);
    if (::mkdir(part.c_str(), 0700) == 0) {
      if (::chmod(part.c_str(), 0700) != 0) Fail(part, errno);
    } else if (errno != EEXIST) {
      Fail(part, errno);
    }
    at = end == std::string::npos ? end : folder.find_first_not_of('/', end);
  }
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) Fail(folder, errno);
  if (!S_ISDIR(st.st_mode)) Fail(folder, ENOTDIR);
}

void MakePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) {
    const int result = ::fchmod(fd, 0600);
    const int error = errno;
    ::close(fd);
    if (result != 0) Fail(path, error);
    return;
  }
  if (errno != EEXIST) Fail(path, errno);
  // One that is there: a link leads to the file whose mode counts.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) Fail(path, errno);
  if (!S_ISREG(st.st_mode) || (st.st_mode & 077) == 0) return;
  if (::chmod(path.c_str(), st.st_mode & 07700) != 0) Fail(path, errno);
}

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.device = static_cast<std::uint64_t>(st.st_dev);
  stamp.file = static_cast<std::uint64_t>(st.st_ino);
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return stamp;
}

FileLock::FileLock(const std::string& lock_path) {
  const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) Fail(lock_path, errno);
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    ::close(fd);
    Fail(lock_path, error);
  }
  handle_ = fd;
}

FileLock::~FileLock() {
  // Closing lets go of the lock.
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace typelane
