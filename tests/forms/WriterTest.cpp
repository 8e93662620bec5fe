#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "core/common/Errors.h"
#include "core/forms/FormsState.h"

namespace typelane {
namespace {

using testing::FormsHarness;
using testing::kMissingValues;
using testing::Lines;
using V = std::vector<std::string>;

void SetRow(Document& d, int row, const V& cells) {
  for (size_t i = 0; i < cells.size(); ++i) d.sheet.SetCell(row, static_cast<int>(i) + 1, cells[i]);
  d.sheet.RaiseExtent(row, static_cast<int>(cells.size()));
}

// The written file with the edit stamp's date and time taken out.
V Stamped(V lines) {
  if (lines.size() > 2) {
    EXPECT_EQ(lines[2].rfind("# Edited using Typelane, ", 0), 0u) << lines[2];
    lines[2] = "# Edited using Typelane, <now>";
  }
  return lines;
}

TEST(WritePlayback, ThreeRowsFromOneRecordedRecord) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("signon_one_record.fpb"));
  Document& d = *h.doc;
  SetRow(d, 2, {"Bolt & Nut Co", "10046", "VENDOR"});
  SetRow(d, 3, {"Cogs Inc", "10047", "EMPLOYEE"});
  d.options.password = "n3w pass";
  h.prompter.shown.clear();
  const V template_before = d.forms.record_template;

  // Rows 1 and 2 repeat the whole record (row 1 with widths and titles), row 3
  // ends after its last field with the closing lines, then the exit, commented
  // out while ExitApps is off.
  const auto expected = testing::CorpusFile("signon_three_rows.expected");
  const V expected_lines(expected.lines.begin(), expected.lines.end());
  EXPECT_EQ(Stamped(h.Written()), expected_lines);
  EXPECT_EQ(d.forms.record_template, template_before);
  EXPECT_TRUE(h.Messages().empty());
}

TEST(WritePlayback, OneRowKeepsTheNavigationForReadingBack) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("signon_one_record.fpb"));
  const V written = h.Written();
  ASSERT_GE(written.size(), 4u);
  const V tail(written.end() - 4, written.end());
  EXPECT_EQ(tail,
            (V{"##NewRecord:KEY Commit_form", "##NewRecord:WINDOW APXVDMVD VENDOR_WINDOW CLOSE",
               "##MENU FNDSCSGN EXIT_ORACLE_APPLICATIONS", "##KEY Exit"}));

  FormsHarness back;
  ASSERT_TRUE(back.Convert(Lines(written)));
  EXPECT_EQ(back.doc->forms.record_template, h.doc->forms.record_template);
  EXPECT_EQ(back.doc->forms.closing_lines, h.doc->forms.closing_lines);
  // The "##NewRecord:" lines stand for the navigation back: no warning now.
  EXPECT_TRUE(back.Messages().empty());
}

TEST(WritePlayback, ReadsBackToTheSameSheet) {
  for (const char* name : {"three_records.fpb", "lov_first.fpb", "signon_one_record.fpb"}) {
    SCOPED_TRACE(name);
    FormsHarness h;
    ASSERT_TRUE(h.Convert(name));
    Document& d = *h.doc;
    d.description = "Batch of the month";
    d.sheet.SetCell(0, 2, "Edited title");
    d.sheet.SetColumnWidth(1, 151);
    d.sheet.AttachInfo(1, 2).comment = "check with\r\npurchasing";
    d.sheet.AttachInfo(2, 1).comment = "second row";

    FormsHarness back;
    ASSERT_TRUE(back.Convert(Lines(h.Written())));
    const Document& b = *back.doc;
    EXPECT_EQ(back.Titles(), h.Titles());
    for (int c = 1; c <= d.sheet.LastCol(); ++c) {
      EXPECT_EQ(b.sheet.ColumnWidth(c), d.sheet.ColumnWidth(c)) << c;
    }
    for (int r = 1; r <= d.sheet.LastRow(); ++r) EXPECT_EQ(back.Row(r), h.Row(r)) << r;
    EXPECT_EQ(b.sheet.LastRow(), d.sheet.LastRow());
    EXPECT_EQ(b.description, "Batch of the month");
    EXPECT_EQ(b.forms.record_template, d.forms.record_template);
    EXPECT_EQ(b.forms.opening_lines, d.forms.opening_lines);
    // Closing lines are written with the last row's record numbers, so only
    // their kinds and order are compared.
    ASSERT_EQ(b.forms.closing_lines.size(), d.forms.closing_lines.size());
    for (size_t i = 0; i < d.forms.closing_lines.size(); ++i) {
      EXPECT_EQ(b.forms.closing_lines[i].substr(0, 12), d.forms.closing_lines[i].substr(0, 12));
    }
    EXPECT_EQ(b.forms.fixed_blocks, d.forms.fixed_blocks);
    EXPECT_EQ(b.forms.last_field_line, d.forms.last_field_line);
    // Comments travel for "VALUE" columns only.
    const CellInfo* on_value = b.sheet.Info(1, 2);
    const bool value_column = d.forms.record_template[0].rfind("VALUE", 0) == 0;
    if (value_column) {
      ASSERT_NE(on_value, nullptr);
      EXPECT_EQ(on_value->comment, "check with\r\npurchasing");
    }
    if (d.sheet.LastRow() >= 2 && value_column) {
      ASSERT_NE(b.sheet.Info(2, 1), nullptr);
      EXPECT_EQ(b.sheet.Info(2, 1)->comment, "second row");
    }
    EXPECT_EQ(b.options.user_name, d.options.user_name);
    EXPECT_EQ(b.options.password, d.options.password);
  }
}

TEST(WritePlayback, RecordNumbersAndFixedBlocks) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("three_records.fpb"));
  Document& d = *h.doc;
  SetRow(d, 4, {"INK", "Ink cartridges", "Y", "M3"});
  const V out = h.Written();
  auto count = [&out](std::string_view line) { return std::count(out.begin(), out.end(), line); };
  // MTL_CATEGORIES advances with the row, ORG_CONTEXT keeps record 1.
  EXPECT_EQ(count("VALUE INVSDCAT MTL_CATEGORIES SEGMENT1 4 \"INK\""), 1);
  EXPECT_EQ(count("VALUE INVSDCAT ORG_CONTEXT ORGANIZATION_CODE 1 \"M3\""), 1);
  EXPECT_EQ(count("CLICK INVSDCAT MTL_CATEGORIES ENABLED_FLAG 2 \"N\""), 1);
  // A non-data click keeps its words as recorded except the record number.
  EXPECT_EQ(count("CLICK INVSDCAT TOOLBAR SAVE 3 \"Save\""), 1);
  EXPECT_EQ(count("CLICK INVSDCAT MTL_CATEGORIES DESCRIPTION 2 MOUSE"), 1);
  EXPECT_EQ(count("##BLOCKS ORG_CONTEXT"), 1);
  // Four rows: the navigation to the next record appears three times, the
  // closing lines once, and no "##NewRecord:" lines.
  EXPECT_EQ(count("KEY Next_record"), 3);
  // The closing lines are written as part of the last row's template.
  EXPECT_EQ(count("CLICK INVSDCAT CTRL CLOSE_BUTTON 4 \"Close\""), 1);
  EXPECT_EQ(std::count_if(out.begin(), out.end(),
                          [](const std::string& l) { return l.rfind("##NewRecord:", 0) == 0; }),
            0);
  EXPECT_EQ(out.back(), "##MENU MAGIC MAGIC QUIT");
}

TEST(WritePlayback, ListOfValuesCellsArePaddedAndRewritten) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("lov_first.fpb"));
  Document& d = *h.doc;
  d.sheet.SetCell(2, 3, "02 130");          // the flexfield list wants three values
  d.sheet.SetCell(1, 1, "Year end close");  // a single-value list, blanks and all
  h.prompter.shown.clear();
  const V out = h.Written();
  auto has = [&out](std::string_view line) {
    return std::find(out.begin(), out.end(), line) != out.end();
  };
  EXPECT_TRUE(has("LOV \"Year end close\""));
  EXPECT_TRUE(has("USER_EXIT LOV Accounting \"02\" \"130\" \"\""));
  // A flexfield segment keeps its recorded record number.
  EXPECT_TRUE(has("USER_EXIT FLEX UPDATE SEGMENT3 1 \"7720\""));
  // LINES is fixed: both lines of each journal keep records 1 and 2.
  EXPECT_EQ(std::count(out.begin(), out.end(), "VALUE GLXJEENT LINES ENTERED_DR 2 \"75.00\""), 1);
  // The cell now holds the quoted, padded form; the other row's list its quoted form.
  EXPECT_EQ(d.sheet.Cell(2, 3), "\"02\" \"130\" \"\"");
  EXPECT_EQ(d.sheet.Cell(1, 3), "\"01\" \"110\" \"7710\"");
  EXPECT_EQ(h.Messages(), (V{std::string(kMissingValues)}));
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Warning");
  // The comment before the list's field is written in every row.
  EXPECT_EQ(std::count(out.begin(), out.end(), "# LOV for GLXJEENT:HEADER.CATEGORY"), 2);
}

TEST(WritePlayback, ExitOptionSignOnDescriptionAndComments) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("three_records.fpb"));
  Document& d = *h.doc;
  d.options.user_name = "BATCH USER";
  d.options.responsibility = "Inventory, Vision";
  d.options.exit_apps = true;
  d.description = "Categories";
  d.sheet.AttachInfo(1, 3).comment = "click column: not written";
  d.sheet.AttachInfo(1, 1).comment = "one\ntwo\rthree\r\nfour";
  d.sheet.SetCell(2, 2, "Pens\r\nand markers");

  V out = Stamped(h.Written());
  auto has = [&out](std::string_view line) {
    return std::find(out.begin(), out.end(), line) != out.end();
  };
  EXPECT_EQ(out[3], "##BLOCKS ORG_CONTEXT");
  EXPECT_EQ(out[4], "##DESC=Categories");
  EXPECT_TRUE(has("VALUE FNDSCSGN SIGNON USERNAME 1 \"BATCH USER\""));
  EXPECT_TRUE(has("USER_EXIT FNDSCSGN Responsibilities \"Inventory, Vision\""));
  EXPECT_EQ(out.back(), "MENU MAGIC MAGIC QUIT");
  EXPECT_EQ(d.forms.exit_lines, (V{"MENU MAGIC MAGIC QUIT"}));
  EXPECT_TRUE(has("##COMMENT=one%CRLF%two%CRLF%three%CRLF%four"));
  EXPECT_FALSE(has("##COMMENT=click column: not written"));
  // A line break in a value would start a new event line.
  EXPECT_TRUE(has("VALUE INVSDCAT MTL_CATEGORIES DESCRIPTION 2 \"Pens and markers\""));

  // Switching the option off comments the exit out again, in the kept lines too.
  d.options.exit_apps = false;
  d.description.clear();
  out = Stamped(h.Written());
  EXPECT_EQ(out.back(), "##MENU MAGIC MAGIC QUIT");
  EXPECT_EQ(d.forms.exit_lines, (V{"##MENU MAGIC MAGIC QUIT"}));
  EXPECT_NE(out[4].rfind("##DESC=", 0), 0u);
}

TEST(WritePlayback, FailureLeavesTheTemplateAsItWas) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("three_records.fpb"));
  Document& d = *h.doc;
  d.forms.record_template[2] = "VALUE INVSDCAT MTL_CATEGORIES DESCRIPTION one \"x\"";
  const V before = d.forms.record_template;
  TextOut out;
  EXPECT_THROW(WritePlaybackFile(d, out), ConversionError);
  EXPECT_EQ(d.forms.record_template, before);

  d.forms.record_template[2] = "VALUE INVSDCAT MTL_CATEGORIES";
  TextOut again;
  EXPECT_THROW(WritePlaybackFile(d, again), PlaybackFormatError);
  EXPECT_EQ(d.forms.record_template[2], "VALUE INVSDCAT MTL_CATEGORIES");
}

}  // namespace
}  // namespace typelane
