#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "core/common/Errors.h"
#include "core/forms/FormsState.h"

namespace typelane {
namespace {

using testing::FormsHarness;
using testing::kCannotProcess;
using testing::kMultipleRecords;
using testing::kNoClosing;
using testing::Lines;
using V = std::vector<std::string>;

TEST(ConvertPlayback, OneRecordWithSignOn) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("signon_one_record.fpb"));
  Document& d = *h.doc;
  const FormsState& f = d.forms;

  EXPECT_EQ(d.sheet.LastRow(), 1);
  EXPECT_EQ(d.sheet.LastCol(), 3);
  EXPECT_EQ(h.Titles(), (V{"Vendor name", "Segment1", "Vendor type lookup code"}));
  EXPECT_EQ(h.Row(1), (V{"Acme Supplies Ltd", "10045", "VENDOR"}));

  // The FNDSCSGN values are the sign-on, not columns.
  EXPECT_EQ(d.options.user_name, "OPERATIONS");
  EXPECT_EQ(d.options.password, "WELCOME");
  EXPECT_EQ(d.options.responsibility, "Payables Manager");
  EXPECT_EQ(f.opening_lines,
            (V{"# Forms 6.0 Event File", "# Recorded by OPERATIONS: enter one supplier",
               "WINDOW FNDSCSGN SIGNON_WINDOW ACTIVATE",
               "VALUE FNDSCSGN SIGNON USERNAME 1 \"OPERATIONS\"", "KEY Next_item",
               "VALUE FNDSCSGN SIGNON PASSWORD 1 \"WELCOME\"", "KEY Next_item",
               "USER_EXIT FNDSCSGN Responsibilities \"Payables Manager\"",
               "CLICK FNDSCSGN NAVIGATOR LIST 1 MOUSE", "WINDOW APXVDMVD VENDOR_WINDOW ACTIVATE"}));
  EXPECT_EQ(f.first_field, (FirstField{"APXVDMVD", "VNDR", "VENDOR_NAME_MIR"}));

  // With one record the template runs to the exit, closing lines included.
  EXPECT_EQ(f.record_template,
            (V{"VALUE APXVDMVD VNDR VENDOR_NAME_MIR 1 \"Acme Supplies Ltd\"", "KEY Next_item",
               "VALUE APXVDMVD VNDR SEGMENT1 1 \"10045\"", "KEY Next_item",
               "CLICK APXVDMVD VNDR VENDOR_TYPE_LOOKUP_CODE 1 \"VENDOR\"", "KEY Commit_form",
               "WINDOW APXVDMVD VENDOR_WINDOW CLOSE"}));
  EXPECT_EQ(f.last_field_line, 4);
  EXPECT_EQ(f.closing_lines, (V{"KEY Commit_form", "WINDOW APXVDMVD VENDOR_WINDOW CLOSE"}));
  EXPECT_EQ(f.exit_lines, (V{"MENU FNDSCSGN EXIT_ORACLE_APPLICATIONS", "KEY Exit"}));
  EXPECT_TRUE(f.fixed_blocks.empty());

  // Widths fitted to the titles: 1.4 x 7 px per character, truncated.
  EXPECT_EQ(d.sheet.ColumnWidth(1), 107);
  EXPECT_EQ(d.sheet.ColumnWidth(2), 78);
  EXPECT_EQ(d.sheet.ColumnWidth(3), 225);

  // The data click made a drop-list column and taught droplists.dat its value.
  EXPECT_EQ(f.column_items.ItemOfColumn(3), "APXVDMVD:VNDR.VENDOR_TYPE_LOOKUP_CODE");
  EXPECT_EQ(f.column_items.ItemOfColumn(1), "");
  EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"),
            "APXVDMVD:VNDR.VENDOR_TYPE_LOOKUP_CODE=VENDOR\r\n");

  EXPECT_EQ(h.Messages(), (V{std::string(kMultipleRecords)}));
  EXPECT_EQ(h.prompter.shown[0].title, "Typelane Warning");
}

TEST(ConvertPlayback, ThreeRecordsWithClicksContinuationAndFixedBlock) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("three_records.fpb"));
  Document& d = *h.doc;
  const FormsState& f = d.forms;

  EXPECT_EQ(d.sheet.LastRow(), 3);
  EXPECT_EQ(h.Titles(), (V{"Segment1", "Description", "Enabled flag", "Organization code"}));
  // The continued line was joined before it was read.
  EXPECT_EQ(h.Row(1), (V{"PAPER", "Office paper and card", "Y", "M1"}));
  EXPECT_EQ(h.Row(2), (V{"PENS", "Pens and markers", "N", "M1"}));
  EXPECT_EQ(h.Row(3), (V{"TONER", "Printer toner", "y", "M2"}));

  // Toolbar and mouse clicks make no column but stay in the template; the
  // comment before record 2 is not part of it.
  EXPECT_EQ(f.record_template,
            (V{"VALUE INVSDCAT MTL_CATEGORIES SEGMENT1 1 \"PAPER\"", "KEY Next_item",
               "VALUE INVSDCAT MTL_CATEGORIES DESCRIPTION 1 \"Office paper and card\"",
               "CLICK INVSDCAT MTL_CATEGORIES ENABLED_FLAG 1 \"Y\"",
               "CLICK INVSDCAT TOOLBAR SAVE 1 \"Save\"",
               "CLICK INVSDCAT MTL_CATEGORIES DESCRIPTION 1 MOUSE",
               "VALUE INVSDCAT ORG_CONTEXT ORGANIZATION_CODE 1 \"M1\"", "KEY Commit_form",
               "KEY Next_record"}));
  EXPECT_EQ(f.last_field_line, 6);
  // ORG_CONTEXT starts again at record 1 in every record.
  EXPECT_EQ(f.fixed_blocks, (V{"ORG_CONTEXT"}));
  EXPECT_EQ(f.closing_lines, (V{"KEY Commit_form", "CLICK INVSDCAT CTRL CLOSE_BUTTON 1 \"Close\"",
                                "WINDOW INVSDCAT CATEGORIES_WINDOW CLOSE"}));
  EXPECT_EQ(f.exit_lines, (V{"MENU MAGIC MAGIC QUIT"}));
  EXPECT_EQ(d.options.user_name, "SYSADMIN");
  EXPECT_EQ(d.options.responsibility, "Inventory");

  // "y" equals "Y" but for letter case: learned once.
  EXPECT_EQ(ReadFileBytes(h.dir / "droplists.dat"),
            "INVSDCAT:MTL_CATEGORIES.ENABLED_FLAG=N\r\nINVSDCAT:MTL_CATEGORIES.ENABLED_FLAG=Y\r\n");
  EXPECT_TRUE(h.Messages().empty());
}

TEST(ConvertPlayback, ListOfValuesFirstFieldAndFlexfields) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert("lov_first.fpb"));
  Document& d = *h.doc;
  const FormsState& f = d.forms;

  EXPECT_EQ(f.first_field, (FirstField{"GLXJEENT", "HEADER", "CATEGORY"}));
  EXPECT_EQ(d.sheet.LastRow(), 2);
  EXPECT_EQ(h.Titles(), (V{"Category", "Name", "Accounting Flexfield", "Flexfield SEGMENT3",
                           "Entered dr", "Entered dr"}));
  EXPECT_EQ(h.Row(1), (V{"Adjustment", "Accrual March", "\"01\" \"110\" \"7710\"", "7710", "100.00",
                         "50.00"}));
  EXPECT_EQ(h.Row(2),
            (V{"Accrual", "Accrual April", "\"01\" \"120\" \"7720\"", "7720", "200.00", "75.00"}));
  // The comment naming the list's field leads the template.
  ASSERT_GE(f.record_template.size(), 2u);
  EXPECT_EQ(f.record_template[0], "# LOV for GLXJEENT:HEADER.CATEGORY");
  EXPECT_EQ(f.record_template[1], "LOV \"Adjustment\"");
  EXPECT_EQ(f.record_template.back(), "KEY Clear_form");
  EXPECT_EQ(f.last_field_line, 8);
  // LINES holds two records within one journal.
  EXPECT_EQ(f.fixed_blocks, (V{"LINES"}));
  EXPECT_EQ(f.closing_lines, (V{"KEY Commit_form", "WINDOW GLXJEENT HEADER_WINDOW CLOSE"}));
  // The sign-on list of values stays in the sign-on part; its comment does not.
  EXPECT_EQ(
      f.opening_lines,
      (V{"# Forms 4.5 Event File", "# Journals: category from a list, two journals",
         "VALUE FNDSCSGN SIGNON USERNAME 1 \"GLUSER\"",
         "VALUE FNDSCSGN SIGNON PASSWORD 1 \"secret\"", "LOV \"General Ledger, Vision Operations\"",
         "WINDOW GLXJEENT HEADER_WINDOW ACTIVATE"}));
  EXPECT_EQ(d.options.password, "secret");
  EXPECT_EQ(f.column_items.Size(), 0u);
  EXPECT_TRUE(h.Messages().empty());
}

TEST(ConvertPlayback, UnusableRecordingsResetTheSheet) {
  // exit_in_signon.fpb leaves by the menu before its first data event: no
  // record was entered, and the exit would stand live among the sign-on lines.
  for (const char* name : {"no_exit.fpb", "signon_only.fpb", "exit_in_signon.fpb"}) {
    SCOPED_TRACE(name);
    FormsHarness h;
    h.store.WriteString(kOptionsKey, "UserName", "stored user");
    h.doc->sheet.SetCell(1, 1, "left over");
    h.doc->sheet.SetLastRow(1);
    h.doc->sheet.SetLastCol(1);
    EXPECT_FALSE(h.Convert(name));
    EXPECT_EQ(h.Messages(), (V{std::string(kCannotProcess)}));
    EXPECT_EQ(h.prompter.shown[0].title, "Typelane Error");
    const Document& d = *h.doc;
    EXPECT_EQ(d.Kind(), DocumentKind::kSheetFile);
    EXPECT_EQ(d.sheet.LastRow(), 0);
    EXPECT_EQ(d.sheet.Cell(1, 1), "");
    EXPECT_TRUE(d.forms.opening_lines.empty());
    EXPECT_TRUE(d.forms.exit_lines.empty());
    EXPECT_FALSE(d.forms.drop_lists_active);
    // The sign-on values read on the way are gone with the reset.
    EXPECT_EQ(d.options.user_name, "stored user");
  }
}

TEST(ConvertPlayback, MalformedLinesFailTheConversion) {
  {
    FormsHarness h;
    EXPECT_THROW(h.Convert("short_value.fpb"), PlaybackFormatError);
  }
  {
    FormsHarness h;
    EXPECT_THROW(h.Convert("bad_record_number.fpb"), ConversionError);
  }
  {
    // The last column comes from a list of values, which has no sixth word.
    FormsHarness h;
    EXPECT_THROW(h.Convert("lov_last_field.fpb"), PlaybackFormatError);
  }
  {
    FormsHarness h;
    auto file = Lines(
        {"# Forms 6.0 Event File", "x", "# LOV for NOCOLON", "LOV \"a\"", "MENU MAGIC MAGIC QUIT"});
    EXPECT_THROW(h.Convert(file), PlaybackFormatError);
  }
}

// Every truncation of every recording, and every recording with one line
// dropped, converts or fails cleanly: never a crash, never a value in the
// title row.
TEST(ConvertPlayback, DamagedRecordingsNeverCrash) {
  for (const char* name :
       {"signon_one_record.fpb", "three_records.fpb", "lov_first.fpb", "lov_last_field.fpb"}) {
    const auto whole = testing::CorpusFile(name);
    std::vector<std::string> all(whole.lines.begin(), whole.lines.end());
    for (size_t cut = 0; cut <= all.size(); ++cut) {
      for (int mode = 0; mode < 2; ++mode) {
        std::vector<std::string> lines;
        if (mode == 0) {
          lines.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(cut));
        } else {
          if (cut == all.size()) continue;
          lines = all;
          lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(cut));
        }
        FormsHarness h;
        try {
          h.Convert(Lines(lines));
        } catch (const std::exception&) {
          continue;
        }
        for (int c = 1; c <= h.doc->sheet.LastCol(); ++c) {
          EXPECT_EQ(h.doc->sheet.Info(0, c), nullptr);
        }
        EXPECT_LE(h.doc->forms.last_field_line,
                  static_cast<int>(h.doc->forms.record_template.size()));
        // Whatever was converted can be written, or fails cleanly.
        try {
          const auto written = h.Written();
          EXPECT_GE(written.size(), 2u);
        } catch (const std::exception&) {
        }
      }
    }
  }
}

TEST(ConvertPlayback, DirectivesOfOurOwnWriter) {
  FormsHarness h;
  auto file =
      Lines({"# Forms 6.0 Event File", "# header", "# Edited using Typelane, 01/02/26 10:00:00",
             "##BLOCKS SITES Lines", "##DESC=Monthly suppliers", "VALUE PO VNDR NAME 1 \"A\"",
             "##WIDTH=120", "##TITLE=Supplier", "##COMMENT=first line%CRLF%second", "KEY Next_item",
             "VALUE PO VNDR CODE 1 \"7\"", "##WIDTH=40", "##TITLE=Code", "##DESC=ignored here",
             "KEY Commit_form", "##NewRecord:KEY Next_record", "##NewRecord:KEY Clear_block",
             "##MENU MAGIC MAGIC QUIT"});
  ASSERT_TRUE(h.Convert(file));
  Document& d = *h.doc;
  EXPECT_EQ(d.description, "Monthly suppliers");
  EXPECT_EQ(d.forms.fixed_blocks, (V{"SITES", "Lines"}));
  EXPECT_EQ(h.Titles(), (V{"Supplier", "Code"}));
  EXPECT_EQ(d.sheet.ColumnWidth(1), 120);
  EXPECT_EQ(d.sheet.ColumnWidth(2), 40);
  ASSERT_NE(d.sheet.Info(1, 1), nullptr);
  EXPECT_EQ(d.sheet.Info(1, 1)->comment, "first line\r\nsecond");
  EXPECT_EQ(d.sheet.Info(1, 1)->keep, 0);
  // The navigation to the next record replaces what followed the last field.
  EXPECT_EQ(d.forms.record_template,
            (V{"VALUE PO VNDR NAME 1 \"A\"", "KEY Next_item", "VALUE PO VNDR CODE 1 \"7\"",
               "KEY Next_record", "KEY Clear_block"}));
  EXPECT_EQ(d.forms.closing_lines, (V{"KEY Commit_form"}));
  // The edit stamp after the first two lines is not kept.
  EXPECT_EQ(d.forms.opening_lines, (V{"# Forms 6.0 Event File", "# header"}));
  EXPECT_EQ(d.forms.exit_lines, (V{"##MENU MAGIC MAGIC QUIT"}));
  // "##NewRecord:" lines stand for the navigation back: no warning.
  EXPECT_TRUE(h.Messages().empty());
}

TEST(ConvertPlayback, EdgeCasesOfColumnsAndRows) {
  {
    // One column made by a VALUE line: the last field is line 0, so the
    // closing commands cannot be told apart.
    FormsHarness h;
    ASSERT_TRUE(h.Convert(Lines({"# Forms 6.0 Event File", "#", "VALUE F B ITEM 1 \"x\"",
                                 "KEY Commit_form", "MENU MAGIC MAGIC QUIT"})));
    EXPECT_EQ(h.doc->forms.last_field_line, 0);
    EXPECT_EQ(h.Messages(), (V{std::string(kNoClosing), std::string(kMultipleRecords)}));
  }
  {
    // An "LOV" without a comment before it has no field: no new row, no title.
    FormsHarness h;
    ASSERT_TRUE(
        h.Convert(Lines({"# Forms 6.0 Event File", "#", "VALUE F B ITEM 1 \"x\"", "KEY Next_item",
                         "LOV \"a\" \"b\"", "VALUE F B QTY 1 \"3\"", "KEY Next_record",
                         "VALUE F B ITEM 2 \"y\"", "KEY Next_item", "LOV \"c\" \"d\"",
                         "VALUE F B QTY 2 \"4\"", "EXIT_ORACLE_APPLICATIONS"})));
    EXPECT_TRUE(h.doc->forms.fixed_blocks.empty());
    EXPECT_EQ(h.doc->sheet.LastRow(), 2);
    EXPECT_EQ(h.Titles(), (V{"Item", "", "Qty"}));
    EXPECT_EQ(h.Row(2), (V{"y", "\"c\" \"d\"", "4"}));
    EXPECT_EQ(h.doc->forms.closing_lines, V{});
    EXPECT_TRUE(h.Messages().empty());
  }
  {
    // A backslash on the very last line has nothing to join.
    FormsHarness h;
    EXPECT_FALSE(h.Convert(Lines({"# Forms 6.0 Event File", "VALUE F B I 1 \"x\" \\"})));
    EXPECT_EQ(h.Messages(), (V{std::string(kCannotProcess)}));
  }
  {
    // A second conversion starts from empty lists.
    FormsHarness h;
    ASSERT_TRUE(h.Convert("three_records.fpb"));
    ASSERT_TRUE(h.Convert("three_records.fpb"));
    EXPECT_EQ(h.doc->forms.opening_lines.size(), 8u);
    EXPECT_EQ(h.doc->forms.exit_lines.size(), 1u);
    EXPECT_EQ(h.doc->forms.closing_lines.size(), 3u);
  }
}

TEST(ColumnTitles, MadeFromItemNamesAndFitted) {
  EXPECT_EQ(MakeColumnTitle("VENDOR_NAME_MIR"), "Vendor name");
  EXPECT_EQ(MakeColumnTitle("_MIRROR_"), "Ror");
  // Removing "mir" can join what is left into another "mir": it goes too.
  EXPECT_EQ(MakeColumnTitle("XMMIRIR"), "X");
  EXPECT_EQ(MakeColumnTitle("SEGMENT1"), "Segment1");
  EXPECT_EQ(MakeColumnTitle("__"), "");
  EXPECT_EQ(MakeColumnTitle(""), "");

  Sheet sheet;
  sheet.SetLastCol(3);
  sheet.SetCell(0, 1, "Name");
  sheet.SetCell(0, 3, "Vendor site code");
  sheet.SetColumnWidth(2, 33);
  FitColumnsToTitles(sheet, FixedWidthMeasure(10, 5));
  // 1.4 is a little less than 1.4 in binary, and the product is truncated.
  EXPECT_EQ(sheet.ColumnWidth(1), 62);   // (4 * 10 + 5) * 1.4
  EXPECT_EQ(sheet.ColumnWidth(2), 33);   // untitled: untouched
  EXPECT_EQ(sheet.ColumnWidth(3), 230);  // (16 * 10 + 5) * 1.4
}

}  // namespace
}  // namespace typelane
