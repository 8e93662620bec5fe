#include <windows.h>

#include <filesystem>
#include <system_error>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/PrivateFiles.h"

namespace typelane {
namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
  throw FileError(path, WindowsErrorText(error));
}

}  // namespace

void CreatePrivateFolders(const std::string& folder) {
  if (folder.empty()) return;
  // The folders under %APPDATA% inherit the profile's access list, which
  // already keeps other users out.
  std::error_code ec;
  std::filesystem::create_directories(PathFromName(folder), ec);
  if (ec) throw FileError(folder, ec.message());
}

void MakePrivateFile(const std::string& path) {
  HANDLE h = ::CreateFileW(PathFromName(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) Fail(path, error);
}

FileStamp StampOf(const std::string& path) {
  FileStamp stamp;
  HANDLE h = ::CreateFileW(PathFromName(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return stamp;
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileInformationByHandle(h, &info)) {
    stamp.exists = true;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime);
  }
  ::CloseHandle(h);
  return stamp;
}

FileLock::FileLock(const std::string& lock_path) {
  HANDLE h = ::CreateFileW(PathFromName(lock_path).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail(lock_path, ::GetLastError());
  OVERLAPPED at = {};
  if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    Fail(lock_path, error);
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

FileLock::~FileLock() {
  if (handle_ == -1) return;
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  OVERLAPPED at = {};
  ::UnlockFileEx(h, 0, 1, 0, &at);
  ::CloseHandle(h);
}

}  // namespace typelane
