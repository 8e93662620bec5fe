#include <gtest/gtest.h>

#include "EditTestSupport.h"
#include "core/edit/CellEdits.h"
#include "core/edit/ColumnWidths.h"
#include "core/edit/Comments.h"
#include "core/edit/Titles.h"

namespace typelane {
namespace {

using testing::EditHarness;
using testing::Sel;
using V = std::vector<std::string>;

TEST(ColumnWidths, AutofitTakesTheWidestTextTruncatedFromTheExactProduct) {
  EditHarness h;
  const FixedWidthMeasure one_pixel(1, 0);
  EditContext c{h.sheet, h.prompter, h.commands, one_pixel};
  h.sheet.SetCell(0, 1, std::string(52, 'T'));
  h.sheet.SetCell(0, 2, std::string(50, 'T'));
  h.sheet.SetCell(2, 3, std::string(100, 'd'));
  h.sheet.SetCell(0, 4, std::string(10, 'T'));
  h.sheet.SetCell(1, 4, std::string(20, 'd'));
  h.sheet.SetLastRow(2);
  h.sheet.SetLastCol(5);
  SheetChange change = AutofitColumn(c, 1, 0, 2);
  EXPECT_EQ(h.sheet.ColumnWidth(1), 72);  // 52 x 1.4
  EXPECT_TRUE(change.widths);
  EXPECT_TRUE(change.modified);
  AutofitColumn(c, 2, 0, 2);
  EXPECT_EQ(h.sheet.ColumnWidth(2), 69);  // 50 x 1.4 lies just below 70
  AutofitColumn(c, 3, 0, 2);
  EXPECT_EQ(h.sheet.ColumnWidth(3), 110);  // 100 x 1.1
  AutofitColumn(c, 4, 0, 2);
  EXPECT_EQ(h.sheet.ColumnWidth(4), 22);  // the data is wider than the title
  // An empty column keeps its width, and nothing is marked.
  h.sheet.SetColumnWidth(5, 33);
  change = AutofitColumn(c, 5, 0, 2);
  EXPECT_EQ(h.sheet.ColumnWidth(5), 33);
  EXPECT_FALSE(change.modified);

  // Autofit Selection leaves the title row out and stops at the extent.
  AutofitSelection(c, Sel(1, 4, 9, 9));
  EXPECT_EQ(h.sheet.ColumnWidth(4), 22);
  h.sheet.SetColumnWidth(1, 5);
  EXPECT_FALSE(AutofitSelection(c, Sel(3, 1, 9, 1)).widths);  // below LastRow
  EXPECT_EQ(h.sheet.ColumnWidth(1), 5);

  // Tab-delimited text keeps no widths: autofit does not mark it modified.
  c.kind = DocumentKind::kTabDelimited;
  change = AutofitColumn(c, 3, 0, 2);
  EXPECT_TRUE(change.widths);
  EXPECT_FALSE(change.modified);

  // FitColumnToTitle: 1.4 x the title, truncated; measured as shown.
  FitColumnToTitle(c, 2);
  EXPECT_EQ(h.sheet.ColumnWidth(2), 69);
  h.sheet.SetCell(0, 6, "\xC9t\xE9");  // three characters in Windows-1252
  FitColumnToTitle(c, 6);
  EXPECT_EQ(h.sheet.ColumnWidth(6), 4);
}

TEST(Titles, TypingRowOneTitlesTheColumnUnlessTheUserTitledIt) {
  EditHarness h;
  EditCellInGrid(h.context, 1, 4, "\\{TAB}");
  EXPECT_EQ(h.sheet.Cell(0, 4), "Key Strokes");
  EditCellInGrid(h.context, 1, 4, "save");
  EXPECT_EQ(h.sheet.Cell(0, 4), "save");
  const SheetChange change = EditCellInGrid(h.context, 1, 4, "123");
  EXPECT_EQ(h.sheet.Cell(0, 4), "Data");
  EXPECT_EQ(change.cells, Sel(0, 4, 1, 4));
  h.sheet.SetCell(0, 4, "Customer");
  EditCellInGrid(h.context, 1, 4, "SAVE");
  EXPECT_EQ(h.sheet.Cell(0, 4), "Customer");
  // Other rows, and other kinds, leave titles to the user.
  EditCellInGrid(h.context, 2, 5, "SAVE");
  EXPECT_EQ(h.sheet.Cell(0, 5), "");
  h.context.kind = DocumentKind::kTabDelimited;
  EditCellInGrid(h.context, 1, 5, "SAVE");
  EXPECT_EQ(h.sheet.Cell(0, 5), "");

  // The cell-text box knows keystrokes by their braces, in every kind.
  EditCellInBox(h.context, 1, 5, "{TAB}");
  EXPECT_EQ(h.sheet.Cell(0, 5), "Key Strokes");
  EditCellInBox(h.context, 1, 5, "\\abc");
  EXPECT_EQ(h.sheet.Cell(0, 5), "Data");
  EditCellInBox(h.context, 1, 5, "NEXT");
  EXPECT_EQ(h.sheet.Cell(0, 5), "NEXT");
  // Emptying row 1 turns an automatic title into "Data".
  EditCellInBox(h.context, 1, 5, "");
  EXPECT_EQ(h.sheet.Cell(0, 5), "Data");
  EXPECT_EQ(h.sheet.Cell(1, 5), "");

  // With TitleSize on, the grid sizes the column to its new title.
  h.context.kind = DocumentKind::kSheetFile;
  h.context.title_size = true;
  const SheetChange sized = EditCellInGrid(h.context, 1, 6, "x");
  EXPECT_EQ(h.sheet.ColumnWidth(6), 39);  // "Data": 4 x 7 pixels x 1.4
  EXPECT_TRUE(sized.widths);
}

TEST(Titles, ClearAndTheHeadingEditor) {
  EditHarness h;
  h.Fill(0, {"A\tB\tC"});
  h.Fill(1, {"x"});
  h.sheet.SetCell(0, 150, "far");
  SheetChange change = ClearTitles(h.context, 2, 2);
  EXPECT_EQ(h.Rows(0, 1, 0, 3), (V{"A\t\tC"}));
  EXPECT_FALSE(change.modified);
  change = ClearAllTitles(h.context);
  EXPECT_EQ(h.Rows(0, 1, 0, 3), (V{"\t\t"}));
  EXPECT_EQ(h.sheet.Cell(0, 150), "");  // beyond LastCol too
  EXPECT_FALSE(change.modified);

  // OK in the heading editor: changed titles in the document's encoding,
  // unchanged ones keep their bytes.
  h.context.encoding = TextEncoding::kWindows1252;
  h.sheet.SetCell(0, 1,
                  "Stra\xDF"
                  "e");
  h.sheet.SetCell(0, 2, "Ort");
  std::vector<std::string> titles = TitlesForEditor(h.sheet);
  ASSERT_EQ(titles.size(), 102u);
  EXPECT_EQ(titles[1],
            "Stra\xC3\x9F"
            "e");
  titles[2] = "G\xC3\xA4rten";
  change = SetTitles(h.context, titles);
  EXPECT_EQ(h.sheet.Cell(0, 1),
            "Stra\xDF"
            "e");
  EXPECT_EQ(h.sheet.Cell(0, 2), "G\xE4rten");
  EXPECT_EQ(change.cells, Sel(0, 2, 0, 2));
  EXPECT_TRUE(change.modified);
}

TEST(Comments, AddEditAndDelete) {
  EditHarness h;
  h.Fill(1, {"a"});
  // Add Comment beyond LastRow raises it, even with nothing typed; an empty
  // comment shows no mark.
  SheetChange change = AddComment(h.context, 5, 2);
  EXPECT_EQ(h.sheet.LastRow(), 5);
  EXPECT_EQ(h.sheet.LastCol(), 2);
  EXPECT_TRUE(change.modified);
  ASSERT_NE(h.sheet.Info(5, 2), nullptr);
  EXPECT_FALSE(HasComment(h.sheet, 5, 2));
  // The note box gives LF line breaks; the sheet keeps CR LF.
  SetCommentText(h.context, 5, 2, "two\nlines");
  EXPECT_EQ(h.sheet.Info(5, 2)->comment, "two\r\nlines");
  EXPECT_TRUE(HasComment(h.sheet, 5, 2));
  EXPECT_EQ(CommentText(h.sheet, 5, 2), "two\r\nlines");
  // Adding again keeps the text.
  AddComment(h.context, 5, 2);
  EXPECT_EQ(h.sheet.Info(5, 2)->comment, "two\r\nlines");
  DeleteComment(h.context, 5, 2);
  EXPECT_EQ(h.sheet.Info(5, 2), nullptr);
  EXPECT_FALSE(DeleteComment(h.context, 5, 2).modified);
  // A record with its keep flag set keeps an empty text.
  h.sheet.AttachInfo(1, 1) = CellInfo{"kept", 1};
  DeleteComment(h.context, 1, 1);
  ASSERT_NE(h.sheet.Info(1, 1), nullptr);
  EXPECT_EQ(h.sheet.Info(1, 1)->comment, "");
}

TEST(ClickCell, LeavingARefusedDropListValueEmptiesAndReselectsIt) {
  EditHarness h;
  h.context.kind = DocumentKind::kPlayback;
  h.context.forms = &h.forms;
  h.forms.column_items.Set("Col2", "F:B.STATUS");
  h.forms.drop_list_entries.Add("F:B.STATUS=Annul\xE9");  // Windows-1252, from a recording
  h.Fill(1, {"x\tbad\tz", "x\tANNUL\xC3\x89", "x\tannul\xE9", "x\t"});

  ClickResult result = ClickCell(h.context, {{1, 2}, {3, 3}});
  EXPECT_EQ(h.sheet.Cell(1, 2), "");
  EXPECT_EQ(result.reselect, (CellPos{1, 2}));
  EXPECT_EQ(result.change.cells, Sel(1, 2, 1, 2));
  EXPECT_EQ(h.Messages(), V{"The data entered is not valid for the drop list."});
  // Letter case does not matter, accented letters and UTF-8 included.
  EXPECT_FALSE(ClickCell(h.context, {{2, 2}, {3, 3}}).reselect);
  EXPECT_FALSE(ClickCell(h.context, {{3, 2}, {3, 3}}).reselect);
  // An empty cell is refused too, unless an empty value was recorded.
  EXPECT_TRUE(ClickCell(h.context, {{4, 2}, {3, 3}}).reselect);
  h.forms.drop_list_entries.Add("F:B.STATUS=");
  EXPECT_FALSE(ClickCell(h.context, {{4, 2}, {3, 3}}).reselect);
  // No check for a selection of several cells, while suspended, outside the
  // extent, or in a column without a drop list.
  h.sheet.SetCell(4, 2, "bad");
  EXPECT_FALSE(ClickCell(h.context, {{4, 2}, {3, 3}, false}).reselect);
  EXPECT_FALSE(ClickCell(h.context, {{4, 2}, {3, 3}, true, true}).reselect);
  h.sheet.SetCell(9, 2, "bad");
  EXPECT_FALSE(ClickCell(h.context, {{9, 2}, {3, 3}}).reselect);
  EXPECT_FALSE(ClickCell(h.context, {{1, 3}, {3, 3}}).reselect);
  EXPECT_EQ(h.sheet.Cell(4, 2), "bad");
  // Other kinds never check.
  h.context.kind = DocumentKind::kSheetFile;
  EXPECT_FALSE(ClickCell(h.context, {{4, 2}, {3, 3}}).reselect);
}

TEST(ClickCell, AnEmptyCellUnderACommandTitleReceivesTheCommand) {
  EditHarness h;
  h.Fill(0, {"SAVE\tData"});
  h.Fill(1, {"a\tb"});
  ClickResult result = ClickCell(h.context, {{1, 1}, {4, 1}});
  EXPECT_EQ(h.sheet.Cell(4, 1), "SAVE");
  EXPECT_EQ(h.sheet.LastRow(), 4);
  EXPECT_TRUE(result.change.modified);
  EXPECT_TRUE(result.change.extent);
  // Not under another title, not over a filled cell, not with the pointer
  // elsewhere, not with the option off, not in other kinds.
  ClickCell(h.context, {{1, 1}, {5, 2}});
  EXPECT_EQ(h.sheet.Cell(5, 2), "");
  ClickCell(h.context, {{1, 1}, {1, 1}});
  EXPECT_EQ(h.sheet.Cell(1, 1), "a");
  EXPECT_FALSE(ClickCell(h.context, {{1, 1}, {6, 1}, true, false, false}).change.modified);
  h.context.auto_insert = false;
  ClickCell(h.context, {{1, 1}, {6, 1}});
  h.context.auto_insert = true;
  h.context.kind = DocumentKind::kTabDelimited;
  ClickCell(h.context, {{1, 1}, {6, 1}});
  EXPECT_EQ(h.sheet.Cell(6, 1), "");
}

TEST(CellText, EditsKeepTheDocumentsEncodingAndNavigationWraps) {
  EditHarness h;
  h.context.encoding = TextEncoding::kWindows1252;
  EditCellInBox(h.context, 1, 1, "M\xC3\xBCller");
  EXPECT_EQ(h.sheet.Cell(1, 1), "M\xFCller");
  EditCellInBox(h.context, 1, 2, "\xE6\x97\xA5");  // no 1252 byte for it: stays UTF-8
  EXPECT_EQ(h.sheet.Cell(1, 2), "\xE6\x97\xA5");
  // A cell that came in UTF-8 stays UTF-8.
  h.sheet.SetCell(2, 1, "caf\xC3\xA9");
  EditCellInGrid(h.context, 2, 1, "caf\xC3\xA9s");
  EXPECT_EQ(h.sheet.Cell(2, 1), "caf\xC3\xA9s");

  EXPECT_EQ(PositionLabel(CellPos{3, 2}), "R3:C2");
  // Tab on the grid's last column of its last row goes to (1, 1).
  const CellPos last{h.sheet.Extent().GridRows() - 1, h.sheet.Extent().GridCols() - 1};
  EXPECT_EQ(NextCellAfterKey(h.sheet, last, BoxKey::kTab), (CellPos{1, 1}));
  EXPECT_EQ(NextCellAfterKey(h.sheet, CellPos{4, last.col}, BoxKey::kTab), (CellPos{5, 1}));
  EXPECT_EQ(NextCellAfterKey(h.sheet, CellPos{4, 2}, BoxKey::kTab), (CellPos{4, 3}));
  EXPECT_EQ(NextCellAfterKey(h.sheet, CellPos{4, 2}, BoxKey::kEnter), (CellPos{5, 2}));
  EXPECT_EQ(NextCellAfterKey(h.sheet, CellPos{last.row, 2}, BoxKey::kEnter), (CellPos{1, 1}));
}

}  // namespace
}  // namespace typelane
