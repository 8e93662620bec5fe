// The load log: its name, its place, its lines, and what a failure leaves.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FilesTestSupport.h"
#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/files/LoadLog.h"
#include "core/load/SendData.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// "2026-12-08 14:05:09" -> "<date> <time>": the parts that depend on the clock.
std::string Masked(std::string text) {
  for (char& c : text) {
    if (c >= '0' && c <= '9') c = '9';
  }
  return text;
}

TEST(LoadLog, NamedAfterTheSheetAndTheTimeInTheLogsFolder) {
  testing::TempDir dir;
  const std::string folder = LoadLog::FolderIn(dir.Folder());
  EXPECT_EQ(folder, dir.Folder() + "logs/");
  EXPECT_EQ(LoadLog::FolderIn(""), "");
  EXPECT_EQ(LoadLog::SheetName("/home/ann/orders.tyl"), "orders");
  EXPECT_EQ(LoadLog::SheetName("C:\\Data\\week 3.tab.txt"), "week 3.tab");
  EXPECT_EQ(LoadLog::SheetName(""), "Untitled");

  const auto now = std::chrono::system_clock::now();
  const std::tm t = LocalTime(std::chrono::system_clock::to_time_t(now));
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d-%02d-%02d", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  // The folder is made when missing; a second log of the same second gets a
  // number rather than writing over the first; no name takes a separator.
  auto first = LoadLog::CreateIn(folder, "orders", now);
  auto second = LoadLog::CreateIn(folder, "orders", now);
  auto odd = LoadLog::CreateIn(folder, "a/b:c", now);
  EXPECT_EQ(first->Path(), folder + "orders " + stamp + ".txt");
  EXPECT_EQ(second->Path(), folder + "orders " + stamp + " (2).txt");
  EXPECT_EQ(odd->Path(), folder + "a_b_c " + stamp + ".txt");
  EXPECT_EQ(ReadAll(first->Path()), "Row\tStarted\tCells sent\tOutcome\r\n");

  // A folder that cannot be made is the caller's error to show.
  std::ofstream(dir / "file") << "x";
  EXPECT_THROW(LoadLog::CreateIn(dir / "file/logs/", "orders", now), FileError);
}

// A sheet named as long as a file name may be still gets its log, named with
// the whole date and time; a line's time has its milliseconds.
TEST(LoadLog, LongSheetNamesAndMilliseconds) {
  testing::TempDir dir;
  const std::string folder = LoadLog::FolderIn(dir.Folder());
  // 2026-12-08 at noon (local time) and 123 ms.
  std::tm noon{};
  noon.tm_year = 126;
  noon.tm_mon = 11;
  noon.tm_mday = 8;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  const auto now =
      std::chrono::system_clock::from_time_t(std::mktime(&noon)) + std::chrono::milliseconds(123);
  const std::string stamp = " 2026-12-08 12-00-00";
  // 235 characters: ASCII, then two-byte characters whose cut would fall
  // inside one, then a 1252 byte string cut anywhere.
  const std::string ascii(235, 'o');
  std::string accented(20, 'x');
  for (int i = 0; i < 215; ++i) accented += "\xC3\xA9";  // é
  const std::string latin(235, '\xE9');
  std::vector<std::string> sheets = {ascii, accented, latin};
#if defined(_WIN32)
  // Windows counts a name in UTF-16 units, where 1252 letters are one each;
  // Wine keeps the name in UTF-8 on a Linux file system, two bytes a letter,
  // which no Windows limit foresees.
  sheets.pop_back();
#endif
  for (const std::string& sheet : sheets) {
    auto create = [&]() -> std::unique_ptr<LoadLog> {
      try {
        return LoadLog::CreateIn(folder, sheet, now);
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        return nullptr;
      }
    };
    const std::unique_ptr<LoadLog> first = create(), second = create();
    ASSERT_TRUE(first && second);
    // Names are the program's own bytes (the file system may spell them
    // otherwise, as Windows does in UTF-16).
    auto file_name = [](const std::string& path) {
      return path.substr(path.find_last_of("/\\") + 1);
    };
    for (const auto* log : {first.get(), second.get()}) {
      const std::string name = file_name(log->Path());
      EXPECT_LE(name.size(), 255u);
      EXPECT_TRUE(std::filesystem::exists(PathFromName(log->Path())));
      EXPECT_EQ(sheet.substr(0, 100), name.substr(0, 100));
    }
    const std::string name = file_name(first->Path());
    ASSERT_GE(name.size(), stamp.size() + 4);
    EXPECT_EQ(name.substr(name.size() - stamp.size() - 4), stamp + ".txt");
    const std::string kept = name.substr(0, name.size() - stamp.size() - 4);
    EXPECT_EQ(sheet.substr(0, kept.size()), kept);
    if (sheet == accented) {
      EXPECT_EQ((kept.size() - 20) % 2, 0u);  // whole characters only
    }
    EXPECT_NE(second->Path(), first->Path());
  }
  // Rows 1.25 s apart on the load's clock are 250 ms apart in their
  // milliseconds.
  auto log = LoadLog::CreateAt(dir / "ms.txt");
  log->LoadStarted(5000);
  log->RowStarted(1, 5000);
  log->RowEnded(1, 3, "loaded");
  log->RowStarted(2, 6250);
  log->RowEnded(2, 3, "loaded");
  const std::string text = ReadAll(dir / "ms.txt");
  int ms[2] = {-1, -1};
  for (int row = 1; row <= 2; ++row) {
    const size_t at = text.find("\r\n" + std::to_string(row) + "\t") + 4;
    ASSERT_EQ(Masked(text.substr(at, 24)), "9999-99-99 99:99:99.999\t");
    ms[row - 1] = std::stoi(text.substr(at + 20, 3));
  }
  EXPECT_EQ((ms[1] - ms[0] + 1000) % 1000, 250);
}

TEST(LoadLog, OneLinePerRowWrittenAsTheLoadGoes) {
  testing::TempDir dir;
  Sheet sheet;
  const char* rows[][3] = {{"a", "b", "c"}, {"d", "*ML(x,1)", "f"}, {"g", "h", "i"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) sheet.SetCell(r + 1, c + 1, rows[r][c]);
  }
  sheet.RaiseExtent(3, 3);
  SendRequest request;
  request.window_title = "Orders";

  // Row 1 is on disk before row 2 is played: what a crash would leave.
  auto log = LoadLog::CreateAt(dir / "load.txt");
  std::string before_row_2;
  struct PeekingDesktop : RecordingPlatform {
    std::string path;
    std::string* seen;
    void SetClipboardText(std::string_view text) override {
      if (text == "d") *seen = ReadAll(path);
      RecordingPlatform::SetClipboardText(text);
    }
  } peeking;
  peeking.path = log->Path();
  peeking.seen = &before_row_2;
  const SendResult result =
      SendData(peeking, sheet, CommandTable(), DelaySettings(), request, nullptr, log.get());
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(log->RowsWritten(), 2);
  const std::string text = ReadAll(log->Path());
  EXPECT_EQ(Masked(text),
            "Row\tStarted\tCells sent\tOutcome\r\n"
            "9\t9999-99-99 99:99:99.999\t9\tloaded\r\n"
            "9\t9999-99-99 99:99:99.999\t9\t'x' is not a valid integer value "
            "(the load stopped at row 9, cell 9)\r\n");
  EXPECT_NE(text.find("\r\n1\t"), std::string::npos);
  EXPECT_NE(text.find("\r\n2\t"), std::string::npos);
  EXPECT_NE(text.find("\t1\t'x'"), std::string::npos);
  EXPECT_EQ(before_row_2, text.substr(0, text.find("\r\n2\t") + 2));

  // A name that is taken is never written: not the file (which may be the
  // sheet itself), not through a link to another file, not a link to nowhere.
  log.reset();  // closed: Windows lets no one else write a log that is being written
  try {
    LoadLog::CreateAt(dir / "load.txt");
    ADD_FAILURE() << "an existing file was taken as a log";
  } catch (const FileError& e) {
    EXPECT_EQ(e.Path(), dir / "load.txt");
  }
  EXPECT_EQ(ReadAll(dir / "load.txt"), text);
#ifndef _WIN32
  std::filesystem::create_symlink(dir / "load.txt", std::filesystem::path(dir / "link.txt"));
  std::filesystem::create_symlink(dir / "nowhere.txt", std::filesystem::path(dir / "dangling.txt"));
  EXPECT_THROW(LoadLog::CreateAt(dir / "link.txt"), FileError);
  EXPECT_THROW(LoadLog::CreateAt(dir / "dangling.txt"), FileError);
  EXPECT_EQ(ReadAll(dir / "load.txt"), text);
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.txt"));
#endif

  // An error's own line breaks and tabs stay out of the log's columns.
  auto again = LoadLog::CreateAt(dir / "other.txt");
  again->LoadStarted(0);
  again->RowStarted(7, 0);
  again->RowEnded(7, 2, "The window \"X\" no longer exists:\r\tthe load stopped.");
  EXPECT_EQ(
      Masked(ReadAll(dir / "other.txt")),
      "Row\tStarted\tCells sent\tOutcome\r\n"
      "9\t9999-99-99 99:99:99.999\t9\tThe window \"X\" no longer exists: the load stopped.\r\n");
  EXPECT_THROW(LoadLog::CreateAt(dir / "missing/load.txt"), FileError);
}

}  // namespace
}  // namespace typelane
