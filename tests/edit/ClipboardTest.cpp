#include <gtest/gtest.h>

#include "EditTestSupport.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/CellEdits.h"

namespace typelane {
namespace {

using testing::EditHarness;
using testing::Sel;
using V = std::vector<std::string>;

TEST(GridExtent, BlankMarginFollowsTheUsedExtent) {
  EditHarness h;
  EXPECT_EQ(h.sheet.Extent().GridRows(), 101);  // title row and rows 1..100
  EXPECT_EQ(h.sheet.Extent().GridCols(), 101);
  // Typing a character into column 3, row 5.
  const SheetChange change = EditCellInGrid(h.context, 5, 3, "x");
  EXPECT_EQ(h.sheet.LastRow(), 5);
  EXPECT_EQ(h.sheet.LastCol(), 3);
  EXPECT_EQ(h.sheet.Extent().GridRows(), 106);  // rows 1..105
  EXPECT_EQ(h.sheet.Extent().GridCols(), 104);  // columns 1..103
  EXPECT_TRUE(change.extent);
  EXPECT_TRUE(change.modified);
  EXPECT_EQ(change.cells, Sel(5, 3, 5, 3));
  // A converted recording shows no blank columns.
  h.sheet.SetBlankCols(0);
  EXPECT_EQ(h.sheet.Extent().GridCols(), 4);
  h.sheet.Clear();
  EXPECT_EQ(h.sheet.BlankCols(), SheetExtent::kDefaultBlankCols);
}

TEST(CopyCells, TabSeparatedLinesCutAfterTheLastFilledCell) {
  EditHarness h;
  h.Fill(1, {"p\t\tq", "", "x\ty\tz"});
  const ClipboardBlock block = CopyCells(h.sheet, Sel(1, 1, 2, 3));
  EXPECT_EQ(block.text, "p\t\tq\r\n\r\n");
  EXPECT_EQ(block.comments, "");  // no private format without comments

  // Beyond the extent only the used part is copied; wholly outside gives "".
  EXPECT_EQ(CopyCells(h.sheet, Sel(3, 2, 50, 50)).text, "y\tz\r\n");
  EXPECT_EQ(CopyCells(h.sheet, Sel(4, 1, 9, 9)).text, "");
  // The Copy command leaves the clipboard alone for such a selection.
  EXPECT_FALSE(CopyCommand(h.sheet, Sel(4, 1, 9, 9)).has_value());
  EXPECT_FALSE(CopyCommand(h.sheet, Sel(1, 4, 9, 9)).has_value());
  EXPECT_EQ(CopyCommand(h.sheet, Sel(3, 3, 3, 3))->text, "z\r\n");
}

TEST(CopyCells, CommentsTravelOneLinePerCellRelativeToTheBlock) {
  EditHarness h;
  h.Fill(1, {"a\tb\tc", "d\te\tf", "g\th\ti"});
  h.sheet.AttachInfo(3, 2).comment = "first\r\nsecond";
  h.sheet.AttachInfo(2, 3).comment = "";  // an empty comment still travels
  h.sheet.AttachInfo(1, 2).comment = "outside";
  const ClipboardBlock block = CopyCells(h.sheet, Sel(2, 2, 3, 3));
  EXPECT_EQ(block.text, "e\tf\r\nh\ti\r\n");
  EXPECT_EQ(block.comments, "Comment2,1=\r\nComment1,2=first%CRLF%second\r\n");
}

TEST(PasteCells, BlockRepeatsToFillTheSelection) {
  EditHarness h;
  // A 1x1 block into 4 rows x 3 columns fills all 12 cells.
  SheetChange change = PasteCells(h.context, Sel(2, 2, 5, 4), "v\r\n", "");
  EXPECT_EQ(h.Rows(2, 2, 5, 4), (V{"v\tv\tv", "v\tv\tv", "v\tv\tv", "v\tv\tv"}));
  EXPECT_EQ(h.sheet.LastRow(), 5);
  EXPECT_EQ(h.sheet.LastCol(), 4);
  EXPECT_TRUE(change.modified);
  EXPECT_TRUE(change.extent);
  EXPECT_EQ(change.cells, Sel(2, 2, 5, 4));

  // A 2-row block into a 5-row selection: two repetitions, row 5 untouched.
  EditHarness g;
  PasteCells(g.context, Sel(1, 1, 5, 1), "a\r\nb\r\n", "");
  EXPECT_EQ(g.Rows(1, 1, 5, 1), (V{"a", "b", "a", "b", ""}));
  EXPECT_EQ(g.sheet.LastRow(), 4);

  // Copy cuts trailing empty cells, so a block's lines differ in length: the
  // widest line sets the block's width, and a repetition never starts inside
  // the one before it.
  EditHarness r;
  PasteCells(r.context, Sel(1, 1, 4, 4), "a\tb\r\nc\r\n", "");
  EXPECT_EQ(r.Rows(1, 1, 4, 5), (V{"a\tb\ta\tb\t", "c\t\tc\t\t", "a\tb\ta\tb\t", "c\t\tc\t\t"}));
  EXPECT_EQ(r.sheet.LastCol(), 4);

  // Into a single cell the block is written once, whatever its size.
  EditHarness k;
  PasteCells(k.context, Sel(3, 2, 3, 2), "1\t2\t3\r\n4\t5\t6\r\n", "");
  EXPECT_EQ(k.Rows(3, 2, 4, 4), (V{"1\t2\t3", "4\t5\t6"}));
  EXPECT_EQ(k.Rows(5, 2, 5, 4), (V{"\t\t"}));
}

TEST(PasteCells, OnlyCrEndsARowAndEmptyFieldsEmptyTheirCells) {
  EditHarness h;
  h.Fill(1, {"old1\told2\told3", "keep"});
  // No CR: one row. LF alone ends nothing: it is dropped.
  PasteCells(h.context, Sel(1, 1, 1, 1), "a\t\tc", "");
  EXPECT_EQ(h.Rows(1, 1, 1, 3), (V{"a\t\tc"}));
  PasteCells(h.context, Sel(3, 1, 3, 1), "x\ny\nz", "");
  EXPECT_EQ(h.sheet.Cell(3, 1), "xyz");
  EXPECT_EQ(h.sheet.Cell(4, 1), "");
  EXPECT_EQ(h.sheet.Cell(2, 1), "keep");
  // An empty line empties the first cell of its row only.
  PasteCells(h.context, Sel(1, 2, 1, 2), "\r\nq\r\n", "");
  EXPECT_EQ(h.Rows(1, 1, 2, 3), (V{"a\t\tc", "keep\tq\t"}));
  // Pasting nothing changes nothing.
  EXPECT_FALSE(PasteCells(h.context, Sel(1, 1, 1, 1), "", "").modified);
}

TEST(PasteCells, AnotherProgramsLineBreaksEachEndARow) {
  EditHarness h;
  // LF, CR LF and CR each end one row; an empty line between is a row too.
  PasteCells(h.context, Sel(1, 1, 1, 1), "a\tb\nc\r\n\rd\te\tf\n", "", PastedLines::kAtAnyBreak);
  EXPECT_EQ(h.Rows(1, 1, 5, 3), (V{"a\tb\t", "c\t\t", "\t\t", "d\te\tf", "\t\t"}));
  EXPECT_EQ(h.sheet.LastRow(), 4);
  // The block's size counts those breaks: two lines of two cells, repeated
  // twice down and across a 4 x 4 selection.
  PasteCells(h.context, Sel(1, 6, 4, 9), "1\t2\r\n3\t4\n", "", PastedLines::kAtAnyBreak);
  EXPECT_EQ(h.Rows(1, 6, 4, 9), (V{"1\t2\t1\t2", "3\t4\t3\t4", "1\t2\t1\t2", "3\t4\t3\t4"}));
}

TEST(PasteCells, CommentsLandInEveryRepetitionReplacingOldOnes) {
  EditHarness h;
  h.sheet.AttachInfo(4, 2).comment = "old";
  h.sheet.AttachInfo(4, 2).keep = 7;
  const SheetChange change = PasteCells(h.context, Sel(1, 1, 4, 1), "a\r\nb\r\n",
                                        "Comment2,2=two%CRLF%lines\r\nComment1,1=\r\n");
  for (int row : {2, 4}) {
    ASSERT_NE(h.sheet.Info(row, 2), nullptr) << row;
    EXPECT_EQ(h.sheet.Info(row, 2)->comment, "two\r\nlines");
    EXPECT_EQ(h.sheet.Info(row, 2)->keep, 0);  // a new record
  }
  ASSERT_NE(h.sheet.Info(3, 1), nullptr);
  EXPECT_EQ(h.sheet.Info(3, 1)->comment, "");
  // The comment in column 2 lies beyond the text, and still raises the extent.
  EXPECT_EQ(h.sheet.LastCol(), 2);
  EXPECT_EQ(change.cells, Sel(1, 1, 4, 2));

  // Lines not in Copy's shape, or outside the block's rows, are left out.
  EditHarness g;
  PasteCells(g.context, Sel(1, 1, 1, 1), "a\r\n",
             "nonsense\r\nCommentx,1=bad\r\nComment1,9999999=far\r\nComment1,1=ok\r\n");
  EXPECT_EQ(g.sheet.Infos().size(), 1u);
  EXPECT_EQ(g.sheet.Info(1, 1)->comment, "ok");
  EXPECT_EQ(g.sheet.LastRow(), 1);
}

TEST(PasteCells, ABlockWiderThanTheGridIsRefusedWhole) {
  EditHarness h;
  h.Fill(1, {"a\tb\tc"});
  h.sheet.SetBlankCols(0);  // a recording: no columns beyond its own
  const SheetChange change = PasteCells(h.context, Sel(1, 2, 1, 2), "x\ty\tz\r\n", "");
  EXPECT_EQ(h.Rows(1, 1, 1, 3), (V{"a\tb\tc"}));
  EXPECT_FALSE(change.modified);
  EXPECT_EQ(h.Messages(),
            V{"The data does not fit in the sheet: it reaches beyond the last column."});
  // What fits goes in.
  PasteCells(h.context, Sel(1, 2, 1, 2), "x\ty\r\n", "");
  EXPECT_EQ(h.Rows(1, 1, 1, 3), (V{"a\tx\ty"}));

  // With blank columns the grid widens as the lines land: each line may reach
  // LastCol + BlankCols when it starts.
  EditHarness g;
  g.sheet.SetBlankCols(2);
  PasteCells(g.context, Sel(1, 1, 1, 1), "a\tb\r\n\t\tc\td\r\n", "");
  EXPECT_EQ(g.Rows(1, 1, 2, 4), (V{"a\tb\t\t", "\t\tc\td"}));
  EXPECT_EQ(g.sheet.LastCol(), 4);
}

TEST(ClearCells, EmptiesTheUsedPartAndSearchesTheExtentAgain) {
  EditHarness h;
  h.Fill(1, {"a\tb\tc\td", "e\tf", "g"});
  h.sheet.AttachInfo(2, 2).comment = "stays";
  SheetChange change = ClearCells(h.context, Sel(1, 3, 1, 9));
  EXPECT_EQ(h.Rows(1, 1, 1, 4), (V{"a\tb\t\t"}));
  EXPECT_EQ(h.sheet.LastCol(), 2);  // the rightmost column that still has text
  EXPECT_TRUE(change.extent);
  EXPECT_TRUE(change.modified);
  ClearCells(h.context, Sel(2, 1, 3, 9));
  EXPECT_EQ(h.sheet.LastRow(), 2);  // row 2 keeps its comment inside the extent
  ASSERT_NE(h.sheet.Info(2, 2), nullptr);
  EXPECT_EQ(h.sheet.Info(2, 2)->comment, "stays");
  h.sheet.RemoveInfo(2, 2);
  ClearCells(h.context, Sel(1, 1, 9, 9));
  EXPECT_EQ(h.sheet.LastRow(), 0);
  EXPECT_EQ(h.sheet.LastCol(), 0);
  // Outside the extent nothing is touched.
  h.sheet.SetCell(5, 5, "margin");
  ClearCells(h.context, Sel(5, 5, 5, 5));
  EXPECT_EQ(h.sheet.Cell(5, 5), "margin");
  // A recording keeps its columns: no blank columns, no search.
  EditHarness g;
  g.Fill(1, {"a\tb"});
  g.sheet.SetBlankCols(0);
  ClearCells(g.context, Sel(1, 2, 1, 2));
  EXPECT_EQ(g.sheet.LastCol(), 2);
}

TEST(CopyAndPaste, ARoundTripKeepsTextCommentsAndWindows1252Bytes) {
  EditHarness h;
  h.context.encoding = TextEncoding::kWindows1252;
  h.Fill(1, {"M\xFCller\t\x80 5", "plain\tna\xEFve"});
  h.sheet.AttachInfo(2, 1).comment = "caf\xE9\r\nbar";
  const ClipboardBlock block = CopyCells(h.sheet, Sel(1, 1, 2, 2));
  // The clipboard carries the text as shown.
  EXPECT_EQ(block.text, "M\xC3\xBCller\t\xE2\x82\xAC 5\r\nplain\tna\xC3\xAFve\r\n");
  PasteCells(h.context, Sel(5, 3, 5, 3), block.text, block.comments);
  EXPECT_EQ(h.Rows(5, 3, 6, 4), h.Rows(1, 1, 2, 2));
  EXPECT_EQ(h.sheet.Info(6, 3)->comment, "caf\xE9\r\nbar");
}

}  // namespace
}  // namespace typelane
