#include <gtest/gtest.h>

#include "core/edit/CellClipboard.h"
#include "core/edit/CellEdits.h"
#include "core/edit/Comments.h"
#include "files/FilesTestSupport.h"

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

}  // namespace
}  // namespace typelane
