#include <gtest/gtest.h>

#include "core/common/FileText.h"
#include "core/files/TabDelimited.h"
#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

Sheet ReadLines(const std::vector<std::string>& lines) {
  std::vector<std::string_view> views(lines.begin(), lines.end());
  Sheet sheet;
  ReadTabDelimited(sheet, views);
  return sheet;
}

TEST(TabDelimited, WritesEveryUsedCellWithoutQuoting) {
  Sheet sheet;
  sheet.SetCell(0, 1, "titles stay behind");
  sheet.SetCell(1, 1, "\"x\"");
  sheet.SetCell(2, 2, "b");
  sheet.SetCell(3, 5, "outside the extent");
  sheet.SetCell(4, 1, "below the extent");
  sheet.AttachInfo(1, 1).comment = "comments stay behind";
  sheet.SetLastRow(3);
  sheet.SetLastCol(4);
  TextOut out;
  WriteTabDelimited(sheet, out);
  EXPECT_EQ(out.Text(), "\"x\"\t\t\t\r\n\tb\t\t\r\n\t\t\t\r\n");

  // Reading it back: the quoted cell loses its quotes, trailing empty cells
  // give no fields, so the used columns shrink to the widest real line.
  const std::vector<std::string_view> lines = SplitLines(out.Text());
  Sheet back;
  ReadTabDelimited(back, lines);
  EXPECT_EQ(back.LastRow(), 3);
  EXPECT_EQ(back.LastCol(), 3);
  EXPECT_EQ(back.Cell(1, 1), "x");
  EXPECT_EQ(back.Cell(2, 2), "b");
  EXPECT_EQ(back.Cell(0, 1), "");

  Sheet empty;
  TextOut none;
  WriteTabDelimited(empty, none);
  EXPECT_EQ(none.Text(), "");
}

TEST(TabDelimited, ReadsFieldsByTheQuoteRule) {
  Sheet s = ReadLines({"x\t\ty", "", "\"x\ty\"\tz", "a\t", "\"open", "say \"hi\"\tq",
                       "\"a\"\"b\"\tc", "\t\t\t\tlast"});
  EXPECT_EQ(s.LastRow(), 8);
  EXPECT_EQ(s.LastCol(), 5);
  EXPECT_EQ(s.Cell(1, 1), "x");
  EXPECT_EQ(s.Cell(1, 2), "");
  EXPECT_EQ(s.Cell(1, 3), "y");
  EXPECT_EQ(s.StoredCols(2), 0);  // the empty line is an empty row that still counts
  EXPECT_EQ(s.Cell(3, 1), "x\ty");
  EXPECT_EQ(s.Cell(3, 2), "z");
  EXPECT_EQ(s.Cell(4, 1), "a");
  EXPECT_EQ(s.Cell(4, 2), "");
  EXPECT_EQ(s.Cell(5, 1), "open");
  EXPECT_EQ(s.Cell(6, 1), "say \"hi\"");
  EXPECT_EQ(s.Cell(6, 2), "q");
  EXPECT_EQ(s.Cell(7, 1), "a\"\"b");
  EXPECT_EQ(s.Cell(7, 2), "c");
  EXPECT_EQ(s.Cell(8, 5), "last");

  // A file of empty lines still makes rows, but no columns.
  Sheet blank = ReadLines({"", ""});
  EXPECT_EQ(blank.LastRow(), 2);
  EXPECT_EQ(blank.LastCol(), 0);
}

TEST(TabDelimited, ByteExactRoundTripOfPlainCells) {
  Sheet sheet;
  const std::string odd = "caf\xe9 \xc3\xa9 \\{TAB} &x *SL 1";
  for (int r = 1; r <= 50; ++r) {
    for (int c = 1; c <= 6; ++c) sheet.SetCell(r, c, odd + std::to_string(r * c));
  }
  sheet.RaiseExtent(50, 6);
  TextOut out;
  WriteTabDelimited(sheet, out);
  const auto lines = SplitLines(out.Text());
  Sheet back;
  ReadTabDelimited(back, lines);
  for (int r = 1; r <= 50; ++r) {
    for (int c = 1; c <= 6; ++c) ASSERT_EQ(back.Cell(r, c), sheet.Cell(r, c));
  }
  TextOut again;
  WriteTabDelimited(back, again);
  EXPECT_EQ(again.Text(), out.Text());
}

}  // namespace
}  // namespace typelane
