#include <gtest/gtest.h>

#include "EditTestSupport.h"
#include "core/edit/FillCells.h"
#include "core/edit/InsertDelete.h"

namespace typelane {
namespace {

using testing::EditHarness;
using testing::Sel;
using V = std::vector<std::string>;

TEST(FillCells, DownAndUpCopyARowEmptySourcesEmptyTargets) {
  EditHarness h;
  h.Fill(1, {"", "\t\tsrc\tx", "\t\tolder text\tkeep", "\t\told", "\t\told"});
  SheetChange change = FillCells(h.context, Sel(2, 3, 5, 3), FillDirection::kDown);
  EXPECT_EQ(h.Rows(2, 3, 5, 4), (V{"src\tx", "src\tkeep", "src\t", "src\t"}));
  EXPECT_EQ(change.cells, Sel(3, 3, 5, 3));
  EXPECT_TRUE(change.modified);
  // Below LastRow the extent follows.
  FillCells(h.context, Sel(2, 3, 8, 3), FillDirection::kDown);
  EXPECT_EQ(h.sheet.LastRow(), 8);
  // An empty source empties the targets and leaves the extent.
  FillCells(h.context, Sel(1, 3, 4, 3), FillDirection::kDown);
  EXPECT_EQ(h.Rows(1, 3, 5, 3), (V{"", "", "", "", "src"}));
  EXPECT_EQ(h.sheet.LastRow(), 8);

  // Up with Bottom beyond LastRow empties the rows above it.
  FillCells(h.context, Sel(5, 3, 20, 3), FillDirection::kUp);
  EXPECT_EQ(h.Rows(5, 3, 8, 3), (V{"", "", "", ""}));
  EXPECT_EQ(h.sheet.LastRow(), 8);
  EXPECT_EQ(h.sheet.Cell(2, 4), "x");  // other columns untouched

  // One row: nothing to fill, still marked modified.
  change = FillCells(h.context, Sel(2, 1, 2, 4), FillDirection::kDown);
  EXPECT_TRUE(change.modified);
  EXPECT_TRUE(change.cells.Empty());
}

TEST(FillCells, RightRaisesLastColLeftLeavesTheExtent) {
  EditHarness h;
  h.Fill(1, {"a\tb", "c", "\told"});
  FillCells(h.context, Sel(1, 1, 3, 4), FillDirection::kRight);
  EXPECT_EQ(h.Rows(1, 1, 3, 4), (V{"a\ta\ta\ta", "c\tc\tc\tc", "\t\t\t"}));
  EXPECT_EQ(h.sheet.LastCol(), 4);
  h.sheet.SetCell(2, 3, "z");
  FillCells(h.context, Sel(1, 2, 2, 3), FillDirection::kLeft);
  EXPECT_EQ(h.Rows(1, 1, 2, 4), (V{"a\ta\ta\ta", "c\tz\tz\tc"}));
  EXPECT_EQ(h.sheet.LastCol(), 4);
}

TEST(FillCells, SidewaysFillInARecordingChecksTheDropLists) {
  EditHarness h;
  h.context.kind = DocumentKind::kPlayback;
  h.context.forms = &h.forms;
  h.forms.column_items.Set("Col2", "F:B.STATUS");
  h.forms.drop_list_entries.Add("F:B.STATUS=Booked");
  h.Fill(1, {"booked\t", "nonsense\t"});
  const SheetChange change = FillCells(h.context, Sel(1, 1, 2, 2), FillDirection::kRight);
  EXPECT_EQ(h.Rows(1, 1, 2, 2), (V{"booked\tbooked", "nonsense\t"}));
  EXPECT_EQ(h.Messages(), V{"One or more cells contained data that is not valid for the relevant "
                            "drop list. Please re-enter the invalid data."});
  EXPECT_EQ(change.cells, Sel(1, 1, 2, 2));
}

TEST(InsertCells, RowsOnlyWithinTheUsedRows) {
  EditHarness h;
  for (int r = 1; r <= 10; ++r) h.Fill(r, {"r" + std::to_string(r)});
  h.sheet.AttachInfo(5, 1).comment = "on r5";
  SheetChange change = InsertCells(h.context, Sel(4, 1, 5, 3), WholeCells::kRows, h.events);
  EXPECT_EQ(h.Rows(3, 1, 7, 1), (V{"r3", "", "", "r4", "r5"}));
  EXPECT_EQ(h.sheet.Cell(12, 1), "r10");
  EXPECT_EQ(h.sheet.LastRow(), 12);
  EXPECT_EQ(h.sheet.Info(7, 1)->comment, "on r5");
  EXPECT_EQ(h.sheet.Info(5, 1), nullptr);
  EXPECT_EQ(change.rows_at, 4);
  EXPECT_EQ(change.rows_inserted, 2);
  EXPECT_TRUE(change.modified);

  // With LastRow 4 the selection 4..5 reaches beyond it: nothing happens.
  EditHarness g;
  for (int r = 1; r <= 4; ++r) g.Fill(r, {"r" + std::to_string(r)});
  change = InsertCells(g.context, Sel(4, 1, 5, 1), WholeCells::kRows, g.events);
  EXPECT_EQ(g.sheet.LastRow(), 4);
  EXPECT_EQ(g.sheet.Cell(4, 1), "r4");
  EXPECT_EQ(change.rows_inserted, 0);
}

TEST(InsertCells, ColumnsMoveTitlesWidthsAndCommentsRight) {
  EditHarness h;
  h.Fill(0, {"\tT2\tT3\t\tBeyond"});
  h.Fill(1, {"a\tb\tc"});
  h.sheet.SetLastRow(1);
  h.sheet.SetLastCol(3);
  h.sheet.SetColumnWidth(2, 120);
  h.sheet.AttachInfo(1, 3).comment = "on c";
  const SheetChange change =
      InsertCells(h.context, Sel(1, 2, 1, 2), WholeCells::kColumns, h.events);
  EXPECT_EQ(h.Rows(0, 1, 1, 6), (V{"\t\tT2\tT3\t\tBeyond", "a\t\tb\tc\t\t"}));
  EXPECT_EQ(h.sheet.LastCol(), 4);
  EXPECT_EQ(h.sheet.ColumnWidth(2), Sheet::kDefaultColumnWidth);
  EXPECT_EQ(h.sheet.ColumnWidth(3), 120);
  EXPECT_EQ(h.sheet.Info(1, 4)->comment, "on c");
  EXPECT_EQ(change.cols_at, 2);
  EXPECT_EQ(change.cols_inserted, 1);
  EXPECT_TRUE(change.widths);
  // A selection that starts beyond the used columns inserts nothing.
  EXPECT_EQ(InsertCells(h.context, Sel(1, 5, 1, 5), WholeCells::kColumns, h.events).cols_inserted,
            0);
  EXPECT_EQ(h.sheet.LastCol(), 4);
}

TEST(DeleteCells, RowsTakeTheirCommentsAndTheColumnsAreSearchedAgain) {
  EditHarness h;
  h.Fill(1, {"a", "b\t\tc", "d"});
  h.sheet.AttachInfo(3, 1).comment = "on d";
  h.sheet.AttachInfo(2, 1).comment = "on b";
  // Deleting the last used row removes its comment with it.
  SheetChange change = DeleteCells(h.context, Sel(3, 1, 9, 1), WholeCells::kRows, h.events);
  EXPECT_EQ(h.sheet.LastRow(), 2);
  EXPECT_EQ(h.sheet.Info(3, 1), nullptr);
  EXPECT_EQ(change.rows_at, 3);
  EXPECT_EQ(change.rows_removed, 1);
  // Row 2 goes: its column 3 was the last used one.
  change = DeleteCells(h.context, Sel(2, 2, 2, 2), WholeCells::kRows, h.events);
  EXPECT_EQ(h.sheet.LastRow(), 1);
  EXPECT_EQ(h.sheet.LastCol(), 1);
  EXPECT_TRUE(h.sheet.Infos().empty());
  EXPECT_TRUE(change.modified);
  // Beyond LastRow nothing is deleted.
  EXPECT_EQ(DeleteCells(h.context, Sel(5, 1, 6, 1), WholeCells::kRows, h.events).rows_removed, 0);

  // A recording keeps its columns.
  EditHarness g;
  g.context.kind = DocumentKind::kPlayback;
  g.Fill(1, {"a", "b\t\tc"});
  DeleteCells(g.context, Sel(2, 1, 2, 1), WholeCells::kRows, g.events);
  EXPECT_EQ(g.sheet.LastCol(), 3);
}

TEST(DeleteCells, ColumnsCloseUpButWidthsStay) {
  EditHarness h;
  h.Fill(0, {"T1\tT2\tT3\tT4\t\tBeyond"});
  h.Fill(1, {"a\tb\tc\td", "", "\t\t\tlast"});
  h.sheet.SetColumnWidth(2, 120);
  h.sheet.SetColumnWidth(4, 90);
  h.sheet.AttachInfo(1, 3).comment = "on c";
  h.sheet.AttachInfo(1, 2).comment = "on b";
  SheetChange change = DeleteCells(h.context, Sel(1, 2, 1, 2), WholeCells::kColumns, h.events);
  EXPECT_EQ(h.Rows(0, 1, 1, 6), (V{"T1\tT3\tT4\t\t\tBeyond", "a\tc\td\t\t\t"}));
  EXPECT_EQ(h.sheet.ColumnWidth(2), 120);  // widths keep their column numbers
  EXPECT_EQ(h.sheet.ColumnWidth(4), 90);
  EXPECT_EQ(h.sheet.Info(1, 2)->comment, "on c");
  EXPECT_EQ(h.sheet.Info(1, 3), nullptr);
  EXPECT_EQ(h.sheet.LastCol(), 3);
  EXPECT_EQ(change.cols_at, 2);
  EXPECT_EQ(change.cols_removed, 1);
  EXPECT_TRUE(change.widths);
  // Deleting the column of the last row's only text: LastRow is searched again.
  DeleteCells(h.context, Sel(1, 3, 1, 3), WholeCells::kColumns, h.events);
  EXPECT_EQ(h.sheet.LastRow(), 1);
  EXPECT_EQ(h.sheet.LastCol(), 2);

  // Beyond the used columns only the titles move left.
  EditHarness g;
  g.Fill(0, {"T1\tT2\tT3\tT4\tT5\tT6"});
  g.Fill(1, {"a\tb"});
  change = DeleteCells(g.context, Sel(1, 3, 1, 4), WholeCells::kColumns, g.events);
  EXPECT_EQ(g.Rows(0, 1, 0, 6), (V{"T1\tT2\tT5\tT6\t\t"}));
  EXPECT_EQ(g.sheet.LastCol(), 2);
  EXPECT_EQ(change.cols_removed, 0);
  EXPECT_EQ(change.cells, Sel(0, 3, 0, 6));
}

}  // namespace
}  // namespace typelane
