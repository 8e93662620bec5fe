#include <gtest/gtest.h>

#include "core/load/Conversions.h"
#include "load/LoadTestSupport.h"

namespace typelane {
namespace {

Sheet Sample() {
  // Row 1: data, keystrokes, escaped data, command, built-in, no-Tab data.
  Sheet sheet = testing::SheetOf({{"abc", "\\{TAB}", "\\\\x", "next", "*SL(1)", "&d"},
                                  {"", "\\", "&\\{TAB}", "Next", "x", "y"}});
  sheet.SetCell(3, 1, "beyond");  // below LastRow: never converted
  sheet.SetCell(1, 7, "right");   // right of LastCol
  return sheet;
}

std::vector<std::string> Row(const Sheet& sheet, int row) {
  std::vector<std::string> cells;
  for (int col = 1; col <= 7; ++col) cells.emplace_back(sheet.Cell(row, col));
  return cells;
}

TEST(Conversions, EachConversionOverTheWholeSheet) {
  const CommandTable commands = testing::TestCommands();
  const CellRect all{1, 1, 100, 100};

  Sheet keys = Sample();
  EXPECT_TRUE(ConvertCells(keys, commands, all, Conversion::kKeystroke));
  EXPECT_EQ(Row(keys, 1), (std::vector<std::string>{"\\abc", "\\{TAB}", "\\\\x", "next", "*SL(1)",
                                                    "\\&d", "right"}));
  EXPECT_EQ(Row(keys, 2),
            (std::vector<std::string>{"", "\\", "\\&\\{TAB}", "Next", "\\x", "\\y", ""}));
  EXPECT_EQ(keys.Cell(3, 1), "beyond");

  Sheet paste = Sample();
  EXPECT_TRUE(ConvertCells(paste, commands, all, Conversion::kCopyPaste));
  EXPECT_EQ(Row(paste, 1),
            (std::vector<std::string>{"abc", "{TAB}", "\\\\x", "next", "*SL(1)", "&d", "right"}));
  EXPECT_EQ(paste.Cell(2, 2), "");

  Sheet tab = Sample();
  EXPECT_TRUE(ConvertCells(tab, commands, all, Conversion::kAutoTab));
  EXPECT_EQ(tab.Cell(1, 6), "d");
  EXPECT_EQ(tab.Cell(2, 3), "\\{TAB}");
  EXPECT_EQ(tab.Cell(1, 1), "abc");

  Sheet no_tab = Sample();
  EXPECT_TRUE(ConvertCells(no_tab, commands, all, Conversion::kNoAutoTab));
  // Keystroke cells are marked too, and so become data.
  EXPECT_EQ(Row(no_tab, 1), (std::vector<std::string>{"&abc", "&\\{TAB}", "&\\\\x", "next",
                                                      "*SL(1)", "&d", "right"}));
  EXPECT_EQ(Row(no_tab, 2),
            (std::vector<std::string>{"", "&\\", "&\\{TAB}", "Next", "&x", "&y", ""}));
}

TEST(Conversions, SelectionIsClippedToTheExtent) {
  const CommandTable commands = testing::TestCommands();
  Sheet sheet = Sample();
  EXPECT_TRUE(ConvertCells(sheet, commands, CellRect{2, 5, 9, 9}, Conversion::kKeystroke));
  EXPECT_EQ(Row(sheet, 2),
            (std::vector<std::string>{"", "\\", "&\\{TAB}", "Next", "\\x", "\\y", ""}));
  EXPECT_EQ(sheet.Cell(1, 5), "*SL(1)");
  EXPECT_EQ(sheet.Cell(1, 1), "abc");

  // Starting beyond the extent: nothing in range, nothing changed.
  EXPECT_FALSE(ConvertCells(sheet, commands, CellRect{3, 1, 3, 6}, Conversion::kKeystroke));
  EXPECT_FALSE(ConvertCells(sheet, commands, CellRect{1, 7, 2, 8}, Conversion::kNoAutoTab));
  EXPECT_EQ(sheet.Cell(3, 1), "beyond");
  EXPECT_EQ(sheet.Cell(1, 7), "right");

  // A range with nothing to change still counts as in range.
  EXPECT_TRUE(ConvertCells(sheet, commands, CellRect{1, 4, 1, 4}, Conversion::kKeystroke));
  EXPECT_EQ(sheet.Cell(1, 4), "next");

  Sheet empty;
  EXPECT_FALSE(ConvertCells(empty, commands, CellRect{1, 1, 5, 5}, Conversion::kAutoTab));
}

}  // namespace
}  // namespace typelane
