#include <gtest/gtest.h>

#include "EditTestSupport.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/QuotedCells.h"

namespace typelane {
namespace {

using testing::EditHarness;
using testing::Sel;

TEST(QuotedCells, SpreadsheetTextKeepsQuotedCellsWhole) {
  // As a spreadsheet puts it: a cell with a line break, one with a TAB and
  // one with quotes, then a plain row; lines end LF (X11) or CR LF (Windows).
  for (const std::string_view eol : {"\n", "\r\n"}) {
    const std::string text = std::string("\"two") + std::string(eol) +
                             "lines\"\t\"a\tb\"\t\"say \"\"hi\"\"\"" + std::string(eol) +
                             "plain\t3 \"in\" 4" + std::string(eol);
    EXPECT_EQ(ReadQuotedCells(text, true), "two lines\ta b\tsay \"hi\"\r\nplain\t3 \"in\" 4\r\n");
    // The same text parses cleanly as quoted TSV, spreadsheet format or not.
    EXPECT_EQ(ReadQuotedCells(text, false), ReadQuotedCells(text, true));
  }
  // From a spreadsheet a quoted cell needs nothing special inside to lose its
  // quotes; empty cells and a missing final line break stay as they are.
  EXPECT_EQ(ReadQuotedCells("\"\"\"x\"\"\"\t\t\"y\"", true), "\"x\"\t\ty");

  // Written into the sheet, the quoted cell is one cell.
  EditHarness h;
  const std::string rows = *ReadQuotedCells("\"two\nlines\"\tnext\nb\n", true);
  PasteCells(h.context, Sel(1, 1, 1, 1), rows, "");
  EXPECT_EQ(h.sheet.Cell(1, 1), "two lines");
  EXPECT_EQ(h.sheet.Cell(1, 2), "next");
  EXPECT_EQ(h.sheet.Cell(2, 1), "b");
  EXPECT_EQ(h.sheet.LastRow(), 2);
}

TEST(QuotedCells, PlainTextKeepsTodaysRule) {
  // No quote at all, quotes that only wrap a word, or text that does not
  // parse as quoted TSV: read as it stands.
  EXPECT_EQ(ReadQuotedCells("a\tb\nc\n", true), std::nullopt);
  EXPECT_EQ(ReadQuotedCells("\"hello\"\tworld\n", false), std::nullopt);
  EXPECT_EQ(ReadQuotedCells("\"open\nnever closed\n", true), std::nullopt);
  EXPECT_EQ(ReadQuotedCells("\"a\"b\tc\n", true), std::nullopt);
  EXPECT_EQ(ReadQuotedCells("he said \"x\ny\"\n", false), std::nullopt);
}

TEST(QuotedCells, SpreadsheetFormatsAreKnownByName) {
  EXPECT_TRUE(OffersSpreadsheetFormat({"text/plain", "text/csv"}));
  EXPECT_TRUE(OffersSpreadsheetFormat(
      {"application/x-openoffice-embed-source-xml;windows_formatname=\"Star Embed Source "
       "(XML)\""}));
  EXPECT_TRUE(OffersSpreadsheetFormat({"application/x-qt-windows-mime;value=\"Csv\""}));
  EXPECT_FALSE(OffersSpreadsheetFormat({"text/plain", "text/html", "UTF8_STRING",
                                        "application/x-qt-windows-mime;value=\"Typelane\""}));
}

}  // namespace
}  // namespace typelane
