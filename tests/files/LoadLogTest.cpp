// The load log: its name, its place, its lines, and what a failure leaves.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

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
            "9\t9999-99-99 99:99:99\t9\tloaded\r\n"
            "9\t9999-99-99 99:99:99\t9\t'x' is not a valid integer value "
            "(the load stopped at row 9, cell 9)\r\n");
  EXPECT_NE(text.find("\r\n1\t"), std::string::npos);
  EXPECT_NE(text.find("\r\n2\t"), std::string::npos);
  EXPECT_NE(text.find("\t1\t'x'"), std::string::npos);
  EXPECT_EQ(before_row_2, text.substr(0, text.find("\r\n2\t") + 2));

  // Replacing a file the user named; an error's own line breaks and tabs stay
  // out of the log's columns.
  log.reset();  // closed: Windows lets no one else write a log that is being written
  auto again = LoadLog::CreateAt(dir / "load.txt");
  again->LoadStarted(0);
  again->RowStarted(7, 0);
  again->RowEnded(7, 2, "The window \"X\" no longer exists:\r\tthe load stopped.");
  EXPECT_EQ(Masked(ReadAll(dir / "load.txt")),
            "Row\tStarted\tCells sent\tOutcome\r\n"
            "9\t9999-99-99 99:99:99\t9\tThe window \"X\" no longer exists: the load stopped.\r\n");
  EXPECT_THROW(LoadLog::CreateAt(dir / "missing/load.txt"), FileError);
}

}  // namespace
}  // namespace typelane
