#include <gtest/gtest.h>

#include "core/document/DocumentEditing.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/CellEdits.h"
#include "core/edit/Comments.h"
#include "core/edit/InsertDelete.h"
#include "files/FilesTestSupport.h"
#include "support/RecordingObserver.h"

namespace typelane {
namespace {

using testing::DocumentHarness;
using testing::Join;

// A tab-delimited file in Windows-1252, as the program has always written them.
const std::string kLatinFile =
    Join({"Stra\xDF"
          "e\tM\xFCller",
          "\x80 12\tna\xEFve"});

TEST(DocumentEditing, EditsAreStoredInTheEncodingTheFileCameIn) {
  DocumentHarness h;
  Document& d = *h.doc;
  testing::WriteBytes(h.dir / "latin.txt", kLatinFile);
  ASSERT_TRUE(d.OpenFile(h.dir / "latin.txt"));
  EXPECT_EQ(d.text_encoding, TextEncoding::kWindows1252);
  const FixedWidthMeasure measure;
  EditContext context = MakeEditContext(d, measure);
  EXPECT_EQ(context.kind, DocumentKind::kTabDelimited);

  // The grid shows characters; what the user types goes back as 1252.
  EXPECT_EQ(DecodeText(d.sheet.Cell(1, 2)), "M\xC3\xBCller");
  EditCellInGrid(context, 1, 2,
                 "M\xC3\xBCller-L\xC3\xBC"
                 "denscheid");
  EditCellInBox(context, 3, 1, "\xC3\xA9t\xC3\xA9");
  // A character 1252 lacks keeps that one cell in UTF-8 rather than lose it.
  EditCellInGrid(context, 3, 2, "\xE2\x86\x92 next");
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_EQ(ReadFileBytes(h.dir / "latin.txt"),
            Join({"Stra\xDF"
                  "e\tM\xFCller-L\xFC"
                  "denscheid",
                  "\x80 12\tna\xEFve", "\xE9t\xE9\t\xE2\x86\x92 next"}));

  // Copy and paste inside the sheet keep the bytes of the cells copied.
  const ClipboardBlock block = CopyCells(d.sheet, CellRect{1, 1, 2, 2});
  PasteCells(context, CellRect{5, 1, 5, 1}, block.text, block.comments);
  EXPECT_EQ(d.sheet.Cell(5, 1),
            "Stra\xDF"
            "e");
  EXPECT_EQ(d.sheet.Cell(6, 1), "\x80 12");

  // A new sheet types UTF-8.
  d.SetModified(false);
  ASSERT_TRUE(d.NewSheet());
  EXPECT_EQ(d.text_encoding, TextEncoding::kUtf8);
  EditContext fresh = MakeEditContext(d, measure);
  EditCellInGrid(fresh, 1, 1, "M\xC3\xBCller");
  EXPECT_EQ(d.sheet.Cell(1, 1), "M\xC3\xBCller");
}

// What a grid model hears of an edit: the rows' or columns' pair around the
// move, then the extent (only when it moved), the cells, the widths, and the
// modified flag once.
TEST(DocumentEditing, ObserversHearEachEditInOrder) {
  DocumentHarness h;
  Document& d = *h.doc;
  const FixedWidthMeasure measure;
  testing::RecordingObserver seen;
  d.AddObserver(&seen);
  const EditContext context = MakeEditContext(d, measure);

  // Paste raises the extent from 0 x 0 to 2 x 3.
  FinishEdit(d, PasteCells(context, CellRect{1, 1, 1, 1}, "a\tb\tc\r\nd\te\tf", ""));
  EXPECT_EQ(seen.Take(),
            (std::vector<std::string>{"extent 2x3+100", "cells R1C1:R2C3", "modified"}));

  // Two rows in front of row 1: the grid grows by two rows there.
  FinishEdit(d, InsertCells(context, CellRect{1, 1, 2, 1}, WholeCells::kRows, d.SheetEvents()));
  EXPECT_EQ(seen.Take(), (std::vector<std::string>{"rows insert begin 1 2", "rows insert 1 2",
                                                   "extent 4x3+100"}));
  EXPECT_EQ(d.sheet.Cell(4, 1), "d");

  // Deleting column 2 closes up the rest; the widths are read again.
  FinishEdit(d, DeleteCells(context, CellRect{1, 2, 1, 2}, WholeCells::kColumns, d.SheetEvents()));
  EXPECT_EQ(seen.Take(), (std::vector<std::string>{"cols remove begin 2 1", "cols remove 2 1",
                                                   "extent 4x2+100", "widths 1 102"}));
  EXPECT_EQ(d.sheet.Cell(4, 2), "f");

  // Clearing the last row lowers the extent to the row above.
  FinishEdit(d, ClearCells(context, CellRect{4, 1, 4, 2}));
  EXPECT_EQ(seen.Take(), (std::vector<std::string>{"extent 3x2+100", "cells R4C1:R4C2"}));
  EXPECT_EQ(d.Extent().GridRows(), 1 + 3 + SheetExtent::kBlankRows);
  EXPECT_EQ(d.SheetEvents().Reported(), d.Extent());
  d.RemoveObserver(&seen);
}

}  // namespace
}  // namespace typelane
