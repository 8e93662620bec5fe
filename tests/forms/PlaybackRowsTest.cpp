#include <gtest/gtest.h>

#include <algorithm>

#include "FormsTestSupport.h"
#include "core/forms/PlaybackRows.h"

namespace typelane {
namespace {

using testing::FormsHarness;
using testing::Lines;
using V = std::vector<std::string>;

// A recording of one supplier whose name carries a comment.
testing::LineFile CommentedRecording() {
  return Lines({"# Forms 6.0 Event File", "VALUE APXVDMVD VENDOR NAME 1 \"Acme\"",
                "##COMMENT=recorded note", "VALUE APXVDMVD VENDOR CITY 1 \"Leeds\"",
                "KEY Commit_form", "MENU MAGIC MAGIC QUIT"});
}

std::vector<std::string> CommentLines(const std::vector<std::string>& out) {
  std::vector<std::string> comments;
  std::copy_if(out.begin(), out.end(), std::back_inserter(comments),
               [](const std::string& line) { return line.starts_with("##COMMENT="); });
  return comments;
}

TEST(PlaybackRows, DataRowsBringTheirCommentsAndNothingRecordedStays) {
  FormsHarness h;
  ASSERT_TRUE(h.Convert(CommentedRecording()));
  Sheet& sheet = h.doc->sheet;
  ASSERT_NE(sheet.Info(1, 1), nullptr);
  sheet.AttachInfo(0, 1).comment = "title note";
  sheet.SetColumnWidth(2, 140);

  // Three data rows, two comments, and a third column the recording lacks.
  Sheet data;
  data.SetRowCells(1, std::vector<std::string_view>{"Brick Co", "York", "extra"});
  data.SetRowCells(2, std::vector<std::string_view>{"Cable Ltd", "Hull"});
  data.SetRowCells(3, std::vector<std::string_view>{"Dyes plc"});
  data.RaiseExtent(3, 3);
  data.AttachInfo(2, 1).comment = "second row\r\nnote";
  data.AttachInfo(3, 2).comment = "city note";
  data.AttachInfo(1, 3).comment = "beyond the recording";

  EXPECT_EQ(ReplaceRecordedRows(sheet, data), 1);
  EXPECT_EQ(sheet.LastRow(), 3);
  EXPECT_EQ(h.Row(1), (V{"Brick Co", "York"}));
  EXPECT_EQ(h.Row(3), (V{"Dyes plc", ""}));
  // The recorded row's comment is gone; the data's are where the data had them.
  EXPECT_EQ(sheet.Info(1, 1), nullptr);
  ASSERT_NE(sheet.Info(2, 1), nullptr);
  EXPECT_EQ(sheet.Info(2, 1)->comment, "second row\r\nnote");
  EXPECT_EQ(sheet.Info(1, 3), nullptr);
  // The recording's titles, their comments and widths stay.
  EXPECT_EQ(h.Titles(), (V{"Name", "City"}));
  EXPECT_EQ(sheet.Info(0, 1)->comment, "title note");
  EXPECT_EQ(sheet.ColumnWidth(2), 140);

  // The playback file carries the data's comments and not the recorded one.
  EXPECT_EQ(CommentLines(h.Written()),
            (V{"##COMMENT=second row%CRLF%note", "##COMMENT=city note"}));

  // Fewer rows than were there: the rows beyond are empty, and their
  // comments gone too.
  Sheet one;
  one.SetRowCells(1, std::vector<std::string_view>{"Only"});
  one.RaiseExtent(1, 1);
  EXPECT_EQ(ReplaceRecordedRows(sheet, one), 0);
  EXPECT_EQ(sheet.LastRow(), 1);
  EXPECT_EQ(sheet.Cell(2, 1), "");
  EXPECT_EQ(sheet.Info(2, 1), nullptr);
  EXPECT_EQ(sheet.Info(3, 2), nullptr);
}

}  // namespace
}  // namespace typelane
