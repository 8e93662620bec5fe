#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/load/CommandTable.h"

namespace typelane {
namespace {

using Lines = std::vector<std::string>;

CommandTable Loaded(const Lines& lines) {
  CommandTable table;
  table.Load(lines);
  return table;
}

TEST(CommandTable, HeaderGivesTheGroups) {
  CommandTable one = Loaded({"Name\tNote\tOracle 11\tLast", "NEXT\t\t\\{DOWN}\t"});
  EXPECT_EQ(one.GroupNames(), Lines{"Oracle 11"});
  EXPECT_EQ(one.ColCount(), 4);
  // The empty last row comes on top of the lines.
  EXPECT_EQ(one.RowCount(), 3);
  EXPECT_TRUE(one.Cell(2, 0).empty());

  CommandTable three = Loaded({"Name\tNote\tA\tB\tC\tLast"});
  EXPECT_EQ(three.GroupNames(), (Lines{"A", "B", "C"}));
  EXPECT_TRUE(Loaded({"Name\tNote\tLast"}).GroupNames().empty());
  EXPECT_TRUE(Loaded({}).GroupNames().empty());
}

TEST(CommandTable, ShortLinesArePaddedAndSavedFullWidth) {
  CommandTable table = Loaded({"Name\tNote\tG\tLast", "NEXT\tx", "SAVE\t\t^s\t\r"});
  EXPECT_EQ(table.ColCount(), 4);
  EXPECT_EQ(table.Cell(1, 3), "");
  EXPECT_EQ(table.Cell(2, 2), "^s");
  EXPECT_EQ(table.SaveLines(), (Lines{"Name\tNote\tG\tLast", "NEXT\tx\t\t", "SAVE\t\t^s\t"}));
}

TEST(CommandTable, PackAndSaveSkipUnnamedRows) {
  CommandTable table = Loaded({"Name\tNote\tG\tLast", "A\t\t1\t", "\t\t2\t", "B\t\t3\t"});
  EXPECT_EQ(table.SaveLines(), (Lines{"Name\tNote\tG\tLast", "A\t\t1\t", "B\t\t3\t"}));
  EXPECT_EQ(table.RowCount(), 5);
  table.Pack();
  EXPECT_EQ(table.RowCount(), 4);
  EXPECT_EQ(table.Cell(2, 0), "B");
  EXPECT_EQ(table.Cell(2, 2), "3");
  // The empty last row stays.
  EXPECT_TRUE(table.Cell(3, 0).empty());

  // A header without a name still goes out, or the first command would be
  // read back as the header.
  CommandTable untitled = Loaded({"\tNote\tG\tLast", "A\t\t1\t"});
  EXPECT_EQ(untitled.SaveLines(), (Lines{"\tNote\tG\tLast", "A\t\t1\t"}));
  EXPECT_EQ(Loaded(untitled.SaveLines()).GroupNames(), Lines{"G"});
  // So does a header with nothing in it at all.
  CommandTable blank = Loaded({"\t\t\t", "A\t\t1\t", "B\t\t2\t"});
  EXPECT_EQ(blank.SaveLines(), (Lines{"\t\t\t", "A\t\t1\t", "B\t\t2\t"}));
  EXPECT_TRUE(Loaded(blank.SaveLines()).IsCommand("A"));
  EXPECT_EQ(CommandTable().SaveLines(), Lines{""});
}

TEST(CommandTable, NamesIgnoreCaseGroupsDoNot) {
  CommandTable table =
      Loaded({"Name\tNote\tGA\tGB\tLast", "NEXT\t\t\\{DOWN}\t\\{TAB}\t", "Next\t\tsecond\t\t"});
  EXPECT_TRUE(table.IsCommand("next"));
  EXPECT_TRUE(table.IsCommand("NeXt"));
  EXPECT_FALSE(table.IsCommand("nex"));
  EXPECT_FALSE(table.IsCommand(""));
  EXPECT_FALSE(table.IsCommand("Name"));  // the header is no command
  EXPECT_TRUE(table.IsCommand("*sl5"));
  EXPECT_TRUE(table.IsCommand("*cw"));
  EXPECT_TRUE(table.IsCommand("*mr(1,2)"));
  EXPECT_FALSE(table.IsCommand("*ML"));
  // The first row with the name wins.
  EXPECT_EQ(table.TranslateCommand("next", "GA"), "\\{DOWN}");
  EXPECT_EQ(table.TranslateCommand("next", "GB"), "\\{TAB}");
  // Unknown or differently cased group: column 3.
  EXPECT_EQ(table.TranslateCommand("next", "ga"), "\\{TAB}");
  EXPECT_EQ(table.TranslateCommand("next", "Nope"), "\\{TAB}");
  // Not a command name: unchanged.
  EXPECT_EQ(table.TranslateCommand("*SL(2)", "GA"), "*SL(2)");
  EXPECT_EQ(table.TranslateCommand("other", "GA"), "other");

  // Column 3 of a narrow table does not exist: the empty text.
  CommandTable narrow = Loaded({"Name\tNote\tLast", "UP\t\t\\{UP}"});
  EXPECT_EQ(narrow.TranslateCommand("up", "x"), "");

  // Names renamed, added and removed in the editor are found at any length;
  // a huge text is none (and a built-in one still is).
  table.SetCell(1, 0, "Next Block In The Form");
  EXPECT_TRUE(table.IsCommand("next block in the FORM"));
  EXPECT_FALSE(table.IsCommand("next block in the FORM!"));
  table.InsertRow(1);
  table.SetCell(1, 0, "A Much Longer Command Name Than The Others");
  EXPECT_TRUE(table.IsCommand("a much longer command name than the others"));
  table.DeleteRow(1);
  EXPECT_FALSE(table.IsCommand("a much longer command name than the others"));
  EXPECT_TRUE(table.IsCommand("NEXT BLOCK IN THE FORM"));
  // Names of 63 bytes and more share one length mark; a lower-case first
  // letter still names an upper-case command.
  table.SetCell(2, 0, std::string(70, 'Q'));
  EXPECT_TRUE(table.IsCommand(std::string(70, 'q')));
  EXPECT_FALSE(table.IsCommand(std::string(64, 'q')));
  EXPECT_FALSE(table.IsCommand("next block in the forq"));
  EXPECT_FALSE(table.IsCommand(std::string(50'000'000, 'n')));
  EXPECT_TRUE(table.IsCommand("*SL" + std::string(1'000'000, '9')));
}

}  // namespace
}  // namespace typelane
