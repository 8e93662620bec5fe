#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "FilesTestSupport.h"
#include "core/common/Errors.h"
#include "core/common/LineReader.h"
#include "core/files/SheetFile.h"
#include "core/files/TabDelimited.h"

namespace typelane {
namespace {

using testing::DocumentHarness;
using testing::TempDir;

std::vector<std::string> ReadAll(const std::string& path, size_t chunk) {
  LineReader reader(path, chunk);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  return lines;
}

// Large files are read a block at a time: whatever block a line break falls
// in (a CR LF split across two blocks included), the lines are those of the
// whole file.
TEST(StreamedFiles, LinesDoNotDependOnTheBlockSize) {
  TempDir dir;
  const std::vector<std::string> texts = {"",
                                          "a",
                                          "a\r\n",
                                          "a\r",
                                          "a\n",
                                          "\r\n\r\n",
                                          "\r\r\n\n",
                                          "one\r\ntwo\nthree\rfour\r\n\r\nsix\tx\r\n\r",
                                          "long line " + std::string(300, 'x') + "\r\nend",
                                          "no break at the end"};
  for (const std::string& text : texts) {
    const std::string path = dir / "lines.txt";
    testing::WriteBytes(path, text);
    std::vector<std::string> expected;
    for (std::string_view line : SplitLines(text)) expected.emplace_back(line);
    for (size_t chunk : {1, 2, 3, 5, 7, 64, 1 << 20}) {
      EXPECT_EQ(ReadAll(path, chunk), expected) << "block " << chunk << ", text " << text;
    }
  }
  // The first line is read again after a look at it (the open flow tells the
  // kind from it), and the rest comes whole for the recordings' reader.
  testing::WriteBytes(dir / "lines.txt", "first\r\nsecond\nthird");
  LineReader reader(dir / "lines.txt", 4);
  std::string_view line;
  ASSERT_TRUE(reader.Next(line));
  reader.Unread();
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "first");
  reader.Unread();
  EXPECT_EQ(reader.ReadRest(), "first\r\nsecond\nthird");
  EXPECT_THROW(LineReader missing(dir / "missing.txt"), PlatformError);
}

// A sheet file read in tiny blocks: titles over several header lines, data
// rows and comments come out as from the whole file.
TEST(StreamedFiles, SheetAndTabFilesReadInSmallBlocks) {
  DocumentHarness h;
  const std::string text = testing::Join({"begindelays",
                                          "DataDelay=0.5",
                                          "SAVE=2",
                                          "enddelays",
                                          "beginheader",
                                          "Customer\tShip To",
                                          "Item",
                                          "endheader",
                                          "beginother",
                                          "Window=Orders",
                                          "Description=d",
                                          "CommandGroup=GroupB",
                                          "endother",
                                          "begindata",
                                          "Acme\tLeeds\tAS54888",
                                          "Bolt & Co\t\tX1",
                                          "enddata",
                                          "beginoptions",
                                          "AutoTab=true",
                                          "endoptions",
                                          "beginformat",
                                          "Comment2,1=check",
                                          "endformat"});
  const std::string path = h.dir / "orders.tyl";
  testing::WriteBytes(path, text);
  LineReader reader(path, 3);
  ReadSheetFile(*h.doc, reader);
  const Sheet& s = h.doc->sheet;
  EXPECT_EQ(s.Cell(0, 1), "Customer");
  EXPECT_EQ(s.Cell(0, 2), "Ship To");
  EXPECT_EQ(s.Cell(0, 3), "Item");
  EXPECT_EQ(s.Cell(2, 1), "Bolt & Co");
  EXPECT_EQ(s.Cell(2, 3), "X1");
  EXPECT_EQ(s.LastRow(), 2);
  EXPECT_EQ(s.LastCol(), 3);
  EXPECT_EQ(h.doc->window_title, "Orders");
  EXPECT_TRUE(h.doc->auto_tab);
  ASSERT_NE(s.Info(1, 2), nullptr);
  EXPECT_EQ(s.Info(1, 2)->comment, "check");
  EXPECT_TRUE(h.Messages().empty());

  const std::string tab_path = h.dir / "rows.txt";
  testing::WriteBytes(tab_path, "a\tb\r\n\"x\ty\"\tz\r\n\r\nlast");
  Sheet tab;
  LineReader tab_reader(tab_path, 2);
  ReadTabDelimited(tab, tab_reader);
  EXPECT_EQ(tab.Cell(2, 1), "x\ty");
  EXPECT_EQ(tab.Cell(2, 2), "z");
  EXPECT_EQ(tab.Cell(4, 1), "last");
  EXPECT_EQ(tab.LastRow(), 4);
}

// A save goes to the file in blocks; the file is the same as one written
// whole, and a writer that fails half way leaves the old file and no
// temporary file.
TEST(StreamedFiles, SavedInBlocks) {
  TempDir dir;
  const std::string path = dir / "big.txt";
  std::string whole;
  std::vector<std::string> spilled;
  {
    TextOut out([&](std::string_view block) { spilled.emplace_back(block); }, 100);
    for (int i = 0; i < 1000; ++i) {
      out.Append("row ");
      out.Append(std::to_string(i));
      out.EndLine();
      whole += "row " + std::to_string(i) + "\r\n";
    }
    out.Finish();
  }
  EXPECT_GT(spilled.size(), 50u);
  std::string joined;
  for (const auto& block : spilled) {
    EXPECT_LT(block.size(), 120u);
    joined += block;
  }
  EXPECT_EQ(joined, whole);

  WriteFileAtomic(path, [](TextOut& out) {
    for (int i = 0; i < 1000; ++i) out.Line("row " + std::to_string(i));
  });
  EXPECT_EQ(ReadFileBytes(path), whole);

  EXPECT_THROW(WriteFileAtomic(path,
                               [](TextOut& out) {
                                 for (int i = 0; i < 300000; ++i) out.Line("half-way text");
                                 throw std::runtime_error("writer failed");
                               }),
               std::runtime_error);
  EXPECT_EQ(ReadFileBytes(path), whole);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace typelane
