// Saving on Windows keeps what the user set on the file: attributes, hard
// links, the read-only flag; names are UTF-8; failures give the system's reason.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"

namespace typelane {
namespace {

// A folder of its own under the temporary folder, removed afterwards.
class WinTempDir {
 public:
  WinTempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    wide_ = std::wstring(base) + L"typelane-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64());
    CreateDirectoryW(wide_.c_str(), nullptr);
    char utf8[4 * MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, wide_.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
    path_ = utf8;
  }
  ~WinTempDir() {
    for (const auto& name : Names()) {
      const std::wstring file = wide_ + L"\\" + name;
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(wide_.c_str());
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  std::wstring Wide(const std::wstring& name) const { return wide_ + L"\\" + name; }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((wide_ + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
  }

 private:
  std::wstring wide_;
  std::string path_;
};

std::string SaveFailure(const std::string& path, std::string_view bytes) {
  try {
    WriteFileAtomic(path, bytes);
  } catch (const FileError& e) {
    return e.Reason();
  }
  return "";
}

TEST(SafeSaveWindows, KeepsAttributesLinksAndReadOnlyFiles) {
  WinTempDir dir;
  // A UTF-8 name reaches the file system as the same characters.
  const std::string name = dir / "caf\xc3\xa9 \xe2\x82\xac.tyl";
  const std::wstring wide = dir.Wide(L"caf\u00e9 \u20ac.tyl");
  ASSERT_EQ(SaveFailure(name, "one\r\n"), "");
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(name), "one\r\n");

  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_EQ(SaveFailure(name, "two\r\n"), "");
  EXPECT_EQ(ReadFileBytes(name), "two\r\n");
  EXPECT_NE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(SaveFailure(name, "three\r\n"), "The file is read-only");
  EXPECT_EQ(ReadFileBytes(name), "two\r\n");
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);

  // Both names of a hard-linked file see the new text.
  ASSERT_EQ(SaveFailure(dir / "a.txt", "old\r\n"), "");
  ASSERT_TRUE(CreateHardLinkW(dir.Wide(L"b.txt").c_str(), dir.Wide(L"a.txt").c_str(), nullptr));
  ASSERT_EQ(SaveFailure(dir / "a.txt", "a longer new text\r\n"), "");
  EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "a longer new text\r\n");

  EXPECT_NE(SaveFailure(dir / "missing\\x.txt", "x"), "");
  EXPECT_EQ(SaveFailure("NUL", "x"), "");
  EXPECT_EQ(dir.Names().size(), 3u);  // no temporary file beside them
}

TEST(SafeSaveWindows, TemporaryNamesAreExclusiveAndDeadOnesGo) {
  WinTempDir dir;
  ASSERT_EQ(SaveFailure(dir / "a.txt", "old"), "");
  const std::string dead = file_system_testing::TemporaryName("a.txt", "dead01");
  ASSERT_EQ(SaveFailure(dir / dead, "half a save"), "");
  // A save in progress keeps its temporary file open without sharing.
  const std::string busy = file_system_testing::TemporaryName("a.txt", "AAAAAA");
  HANDLE held = CreateFileA((dir / busy).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  file_system_testing::UseNamedTemporaries(true, {"AAAAAA"});
  EXPECT_EQ(SaveFailure(dir / "a.txt", "new"), "");
  file_system_testing::UseNamedTemporaries(false);
  CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "new");
  EXPECT_EQ(GetFileAttributesA((dir / dead).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((dir / busy).c_str()), INVALID_FILE_ATTRIBUTES);
  try {
    ReadFileBytes(dir / "nothing.txt");
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileError& e) {
    EXPECT_EQ(e.Path(), dir / "nothing.txt");
    EXPECT_FALSE(e.Reason().empty());
  }
}

}  // namespace
}  // namespace typelane
