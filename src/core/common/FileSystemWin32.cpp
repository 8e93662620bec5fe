// Reading and saving files on Windows. Names come as UTF-8 (or, when they are
// not valid UTF-8, in the system code page) and go to the wide-character calls.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <string>

#include "core/common/AppendFile.h"
#include "core/common/Errors.h"
#include "core/common/FileSystem.h"

namespace typelane {
namespace {

using file_system_detail::IsTemporaryName;
using file_system_detail::NextTemporarySuffix;
using file_system_testing::TemporaryName;

std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  UINT code_page = CP_UTF8;
  DWORD flags = MB_ERR_INVALID_CHARS;
  int n = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  if (n == 0) {
    code_page = CP_ACP;
    flags = 0;
    n = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  }
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), n);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

[[noreturn]] void Fail(const std::string& path, DWORD error) {
  throw FileError(path, WindowsErrorText(error));
}

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(HANDLE h) {
    Close();
    h_ = h;
    return *this;
  }
  HANDLE Get() const { return h_; }
  bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

void WriteAll(HANDLE h, const std::string& path, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) Fail(path, GetLastError());
    bytes.remove_prefix(written);
  }
}

struct PathParts {
  std::wstring dir;  // empty: the current folder
  std::wstring base;
};

PathParts SplitPath(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {L"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// What a save writes to.
struct Target {
  std::wstring file;    // the file itself, links followed
  bool direct = false;  // a device or pipe: written as it is
  bool exists = false;
  DWORD links = 1;
  DWORD attributes = 0;
};

Target FindTarget(const std::string& path) {
  Target t;
  const std::wstring wide = Wide(path);
  // Opening without FILE_FLAG_OPEN_REPARSE_POINT follows symbolic links and
  // junctions to the file they lead to.
  Handle h(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Ok()) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) Fail(path, error);
    // A link that leads nowhere is not replaced by a plain file.
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) Fail(path, error);
    t.file = wide;
    return t;
  }
  if (GetFileType(h.Get()) != FILE_TYPE_DISK) {
    t.file = wide;
    t.direct = true;
    return t;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h.Get(), &info)) Fail(path, GetLastError());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw FileError(path, "Is a directory");
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    throw FileError(path, "The file is read-only");
  }
  std::wstring final_path(MAX_PATH, L'\0');
  while (true) {
    const DWORD n =
        GetFinalPathNameByHandleW(h.Get(), final_path.data(), static_cast<DWORD>(final_path.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) Fail(path, GetLastError());
    if (n < final_path.size()) {
      final_path.resize(n);
      break;
    }
    final_path.resize(n + 1);
  }
  t.file = final_path;
  t.exists = true;
  t.links = info.nNumberOfLinks;
  t.attributes = info.dwFileAttributes;
  return t;
}

void WriteAll(HANDLE h, const std::string& path, const ByteProducer& produce) {
  produce([h, &path](std::string_view bytes) { WriteAll(h, path, bytes); });
}

// The whole text, for the ways of saving that must know its size first.
std::string Collect(const ByteProducer& produce) {
  std::string bytes;
  produce([&bytes](std::string_view block) { bytes.append(block); });
  return bytes;
}

// Replaces the content of the file where it is. The space is reserved first,
// so a full disk fails before a byte of the old text changes.
void WriteOver(const std::wstring& file, const std::string& path, const std::string& bytes) {
  Handle h(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Ok()) Fail(path, GetLastError());
  LARGE_INTEGER old_size;
  if (!GetFileSizeEx(h.Get(), &old_size)) Fail(path, GetLastError());
  if (static_cast<LONGLONG>(bytes.size()) > old_size.QuadPart) {
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes.size());
    // A file system that cannot reserve space is written all the same.
    if (!SetFileInformationByHandle(h.Get(), FileAllocationInfo, &allocation, sizeof allocation)) {
      const DWORD error = GetLastError();
      if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) Fail(path, error);
    }
  }
  WriteAll(h.Get(), path, bytes);
  // The new text is on the disk before the file is cut to its length.
  if (!FlushFileBuffers(h.Get())) Fail(path, GetLastError());
  if (!SetEndOfFile(h.Get()) || !FlushFileBuffers(h.Get())) Fail(path, GetLastError());
}

std::wstring FullPath(const std::wstring& file) {
  const DWORD n = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  if (n == 0) return file;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(file.c_str(), n, full.data(), nullptr);
  full.resize(m);
  return full;
}

// Where the backup of a file goes: beside it, or (folder not writable) in the
// user's backups folder with the file's path in a side file.
struct BackupPlace {
  std::wstring beside;
  std::wstring kept;  // empty: the user has no data folder
  std::string full;
};

BackupPlace PlaceOfBackup(const std::wstring& file) {
  const PathParts parts = SplitPath(file);
  BackupPlace place;
  place.beside = parts.dir + Wide(file_system_detail::BackupNameBeside(Utf8(parts.base)));
  place.full = Utf8(FullPath(file));
  const std::string folder = file_system_detail::BackupFolder();
  if (!folder.empty()) {
    place.kept = Wide(folder + "\\" + file_system_detail::BackupNameInFolder(place.full));
  }
  return place;
}

// A whole copy made under a temporary name and renamed once it is on the disk,
// so a backup that exists is whole. One an unfinished save left is kept: the
// file itself may be torn now.
bool MakeBackup(const std::wstring& file, const std::wstring& backup) {
  if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const PathParts parts = SplitPath(backup);
  const std::wstring temporary =
      parts.dir + Wide(TemporaryName(Utf8(parts.base), NextTemporarySuffix()));
  if (!CopyFileW(file.c_str(), temporary.c_str(), TRUE)) return false;
  {
    Handle h(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.Ok() || !FlushFileBuffers(h.Get())) {
      h.Close();
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), backup.c_str(), MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

void WriteInPlace(const std::wstring& file, const std::string& path, const ByteProducer& produce) {
  const std::string bytes = Collect(produce);
  const BackupPlace place = PlaceOfBackup(file);
  std::wstring backup = place.beside;
  if (!MakeBackup(file, backup)) {
    backup = place.kept;
    if (backup.empty()) {
      throw FileError(path, "No backup of the file could be made before writing over it");
    }
    CreateDirectoryW(Wide(file_system_detail::BackupFolder()).c_str(), nullptr);
    WriteFileAtomic(Utf8(backup) + ".path", place.full + "\n");
    if (!MakeBackup(file, backup)) {
      throw FileError(path, "No backup of the file could be made before writing over it (" +
                                WindowsErrorText(GetLastError()) + ")");
    }
  }
  try {
    WriteOver(file, path, bytes);
  } catch (const FileError&) {
    // The backup goes back over the file; kept if that fails too.
    if (CopyFileW(backup.c_str(), file.c_str(), FALSE)) DeleteFileW(backup.c_str());
    throw;
  }
  DeleteFileW(backup.c_str());
  if (backup != place.beside) DeleteFileW((backup + L".path").c_str());
}

// A name as the user writes it: without the \\?\ of a final path.
std::string Shown(const std::wstring& name) {
  if (name.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Utf8(name.substr(8));
  if (name.starts_with(L"\\\\?\\")) return Utf8(name.substr(4));
  return Utf8(name);
}

std::string DeadBackup(const std::string& path) {
  const Target t = FindTarget(path);
  if (!t.exists) return {};
  const BackupPlace place = PlaceOfBackup(t.file);
  if (GetFileAttributesW(place.beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return Shown(place.beside);
  }
  if (place.kept.empty() || GetFileAttributesW(place.kept.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return {};
  }
  try {
    if (ReadFileBytes(Utf8(place.kept) + ".path") != place.full + "\n") return {};
  } catch (const FileError&) {
    return {};
  }
  return Shown(place.kept);
}

void WriteDirect(const std::wstring& file, const std::string& path, const ByteProducer& produce) {
  Handle h(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr));
  if (!h.Ok()) Fail(path, GetLastError());
  WriteAll(h.Get(), path, produce);
}

// Temporary files of earlier saves of this file that a crash left behind. A
// save in progress keeps its temporary file open without sharing, so only a
// dead one can be deleted.
void RemoveDeadTemporaries(const PathParts& parts) {
  const std::string base = Utf8(parts.base);
  WIN32_FIND_DATAW found;
  const std::wstring pattern = parts.dir + L".*.typelane-save";
  HANDLE find = FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    if (!IsTemporaryName(Utf8(found.cFileName), base)) continue;
    DeleteFileW((parts.dir + found.cFileName).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

std::filesystem::path PathFromName(const std::string& name) {
  return std::filesystem::path(Wide(name));
}

std::string NameFromPath(const std::filesystem::path& path) { return Utf8(path.native()); }

std::string EnvironmentValue(const char* name) {
  const std::wstring wide_name = Wide(name);
  const DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::wstring value(needed, L'\0');
  const DWORD got = GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed);
  value.resize(got < needed ? got : 0);
  return Utf8(value);
}

std::tm LocalTime(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

std::unique_ptr<AppendFile> AppendFile::CreateNew(const std::string& path) {
  const HANDLE h = CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return nullptr;
    Fail(path, error);
  }
  return std::unique_ptr<AppendFile>(new AppendFile(path, reinterpret_cast<std::intptr_t>(h)));
}

AppendFile::~AppendFile() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

void AppendFile::Append(std::string_view bytes) {
  WriteAll(reinterpret_cast<HANDLE>(handle_), path_, bytes);
}

std::string ReadFileBytes(const std::string& path) {
  Handle h(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Ok()) Fail(path, GetLastError());
  std::string bytes;
  LARGE_INTEGER size;
  if (GetFileType(h.Get()) == FILE_TYPE_DISK && GetFileSizeEx(h.Get(), &size)) {
    bytes.reserve(static_cast<size_t>(size.QuadPart));
  }
  char buffer[1 << 16];
  while (true) {
    DWORD n = 0;
    if (!ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr)) {
      const DWORD error = GetLastError();
      if (error == ERROR_BROKEN_PIPE) break;  // the writing end closed: the end of the text
      Fail(path, error);
    }
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  return bytes;
}

bool CanCreateFilesIn(const std::string& folder) {
  std::wstring dir = Wide(folder);
  if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring probe = dir + Wide(TemporaryName("typelane-probe", NextTemporarySuffix()));
    Handle h(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (h.Ok()) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  WriteFileAtomic(path,
                  [bytes](const std::function<void(std::string_view)>& write) { write(bytes); });
}

std::string InterruptedSaveBackup(const std::string& path) {
  try {
    return DeadBackup(path);
  } catch (const FileError&) {
    return {};
  }
}

void WriteFileAtomic(const std::string& path, const ByteProducer& produce) {
  if (path.empty()) Fail(path, ERROR_FILE_NOT_FOUND);
  const file_system_detail::SaveScope running;
  const Target t = FindTarget(path);
  if (t.direct) return WriteDirect(t.file, path, produce);
  // Every name of a file with hard links keeps seeing it.
  if (t.exists && t.links > 1) return WriteInPlace(t.file, path, produce);
  const PathParts parts = SplitPath(t.file);
  if (parts.base.empty()) throw FileError(path, "Is a directory");
  RemoveDeadTemporaries(parts);

  // Exclusive: CREATE_NEW fails on anything already at the name, a link too.
  std::wstring temporary;
  Handle h;
  for (int attempt = 0; !h.Ok(); ++attempt) {
    temporary = parts.dir + Wide(TemporaryName(Utf8(parts.base), NextTemporarySuffix()));
    h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                    nullptr);
    if (h.Ok()) break;
    const DWORD error = GetLastError();
    // A folder the user may not write, holding a file the user may.
    if (error == ERROR_ACCESS_DENIED && t.exists) return WriteInPlace(t.file, path, produce);
    if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt > 100) {
      Fail(path, error);
    }
  }
  try {
    WriteAll(h.Get(), path, produce);
    if (!FlushFileBuffers(h.Get())) Fail(path, GetLastError());
    h.Close();
    if (t.exists) {
      // Keeps the old file's attributes, security, creation time and streams.
      if (!ReplaceFileW(t.file.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr)) {
        Fail(path, GetLastError());
      }
      // The attributes the user set (hidden, system, archive...) stay, also
      // where ReplaceFileW leaves them out.
      constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
      const DWORD now = GetFileAttributesW(t.file.c_str());
      if (now != INVALID_FILE_ATTRIBUTES && (now & kKept) != (t.attributes & kKept)) {
        SetFileAttributesW(t.file.c_str(), (now & ~kKept) | (t.attributes & kKept));
      }
    } else if (!MoveFileExW(temporary.c_str(), t.file.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      Fail(path, GetLastError());
    }
  } catch (...) {
    h.Close();
    DeleteFileW(temporary.c_str());
    throw;
  }
  // The file is whole and new: a backup an interrupted save left has served.
  if (t.exists) {
    const std::string backup = DeadBackup(path);
    if (!backup.empty()) {
      DeleteFileW(Wide(backup).c_str());
      DeleteFileW(Wide(backup + ".path").c_str());
    }
  }
}

std::string WindowsErrorText(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", n);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (text.empty()) return "System error " + std::to_string(error);
  return Utf8(text);
}

}  // namespace typelane
