#include <gtest/gtest.h>

#include "FormsTestSupport.h"
#include "core/forms/FormsState.h"

namespace typelane {
namespace {

using testing::CorpusPath;
using testing::FormsHarness;
using V = std::vector<std::string>;

// The recordings through the document's own open and save flow.
TEST(PlaybackFiles, OpenEditSaveAndOpenAgain) {
  FormsHarness h;
  Document& d = *h.doc;
  ASSERT_TRUE(d.OpenFile(CorpusPath("three_records.fpb")));
  EXPECT_EQ(d.Kind(), DocumentKind::kPlayback);
  EXPECT_EQ(d.sheet.LastRow(), 3);
  EXPECT_FALSE(d.Modified());
  EXPECT_TRUE(h.Messages().empty());

  d.sheet.SetCell(4, 1, "INK");
  d.sheet.SetCell(4, 2, "Ink cartridges");
  d.sheet.SetCell(4, 3, "Y");
  d.sheet.SetCell(4, 4, "M3");
  d.sheet.SetLastRow(4);
  d.SetModified(true);

  const std::string saved = h.dir / "categories.fpb";
  h.prompter.files.push_back(FileChoice{saved, 3});
  ASSERT_TRUE(d.SaveFile(true));
  EXPECT_EQ(d.Kind(), DocumentKind::kPlayback);

  const std::string shown = ShowSource(d);
  EXPECT_TRUE(d.forms.source_view);
  HideSource(d);
  EXPECT_FALSE(d.forms.source_view);
  // The stamp's time may differ by a second; everything after it is equal.
  const std::string file = ReadFileBytes(saved);
  const size_t after_stamp = file.find("##BLOCKS");
  ASSERT_NE(after_stamp, std::string::npos);
  EXPECT_EQ(shown.substr(shown.find("##BLOCKS")), file.substr(after_stamp));

  ASSERT_TRUE(d.OpenFile(saved));
  EXPECT_EQ(d.Kind(), DocumentKind::kPlayback);
  EXPECT_EQ(d.sheet.LastRow(), 4);
  EXPECT_EQ(d.sheet.Cell(4, 2), "Ink cartridges");
  EXPECT_EQ(d.sheet.Cell(0, 4), "Organization code");
}

TEST(PlaybackFiles, ARefusedRecordingIsAFailedOpen) {
  FormsHarness h;
  Document& d = *h.doc;
  ASSERT_TRUE(d.OpenFile(CorpusPath("three_records.fpb")));
  const auto recent_before = d.RecentFiles();
  EXPECT_FALSE(d.OpenFile(CorpusPath("no_exit.fpb")));
  // Reported once, by the converter, and nothing enters the recent list.
  EXPECT_EQ(h.Messages().size(), 1u);
  EXPECT_EQ(d.RecentFiles(), recent_before);
  EXPECT_EQ(d.Kind(), DocumentKind::kSheetFile);
  EXPECT_EQ(d.sheet.LastRow(), 0);
}

TEST(PlaybackFiles, AFailedWriteKeepsTheOldFile) {
  FormsHarness h;
  Document& d = *h.doc;
  ASSERT_TRUE(d.OpenFile(CorpusPath("signon_one_record.fpb")));
  const std::string target = h.dir / "supplier.fpb";
  WriteFileAtomic(target, "the file that was there\r\n");
  h.prompter.files.push_back(FileChoice{target, 3});
  // A template line that lost its record number cannot be written.
  d.forms.record_template[0] = "VALUE APXVDMVD VNDR VENDOR_NAME_MIR";
  h.prompter.shown.clear();
  EXPECT_FALSE(d.SaveFile(true));
  EXPECT_EQ(ReadFileBytes(target), "the file that was there\r\n");
  EXPECT_EQ(h.Messages(), (V{"Failed to save the file."}));
}

}  // namespace
}  // namespace typelane
