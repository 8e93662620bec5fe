#include <gtest/gtest.h>

#include "FilesTestSupport.h"
#include "support/RecordingObserver.h"

namespace typelane {
namespace {

using testing::DocumentHarness;
using testing::Join;
using testing::RecordingObserver;
using testing::WriteBytes;
using V = std::vector<std::string>;

// What every reset tells after the sheet: a new document starts from
// commands.dat, the default delays, the stored options and empty values.
V ResetOf(const std::string& extent, int kind) {
  return {"reset begin", "reset " + extent, "kind " + std::to_string(kind), "commands", "delays",
          "options",     "values"};
}

V Then(V first, const V& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

std::string Recent(const std::string& a, const std::string& b = "", const std::string& c = "") {
  return "recent [" + a + "] [" + b + "] [" + c + "] [] []";
}

// Records, with each reset's end, how many messages had been shown by then.
class MessageCountingObserver : public RecordingObserver {
 public:
  explicit MessageCountingObserver(const testing::ScriptedPrompter& prompter)
      : prompter_(prompter) {}
  void SheetReset(const SheetExtent& e) override {
    RecordingObserver::SheetReset(e);
    messages_at_reset.push_back(prompter_.shown.size());
  }
  std::vector<size_t> messages_at_reset;

 private:
  const testing::ScriptedPrompter& prompter_;
};

TEST(DocumentEvents, NewAndOpenAreOneResetEach) {
  DocumentHarness h;
  Document& d = *h.doc;
  RecordingObserver seen;
  d.AddObserver(&seen);

  // Changes made straight to the sheet are told by whoever made them.
  d.sheet.SetCell(3, 2, "x");
  d.sheet.RaiseExtent(3, 2);
  d.CellsChanged(CellRect{3, 2, 3, 2});
  d.SetModified(true);
  d.CellsChanged(CellRect{3, 2, 3, 2});
  EXPECT_EQ(seen.Take(), (V{"extent 3x2+100", "cells R3C2:R3C2", "modified", "cells R3C2:R3C2"}));

  // New: the save question (No) clears the flag before the reset begins.
  h.prompter.answers.push_back(Answer::kNo);
  ASSERT_TRUE(d.NewSheet());
  EXPECT_EQ(seen.Take(), Then({"unmodified"}, ResetOf("0x0+100", 1)));

  // A sheet file: one reset, then caption and recent files.
  const std::string tyl = h.dir / "orders.tyl";
  WriteBytes(
      tyl, Join({"begindelays", "enddelays", "beginheader", "Name\tQty", "endheader", "beginother",
                 "Window=Target", "endother", "begindata", "Smith\t3", "Jones\t4", "enddata"}));
  ASSERT_TRUE(d.OpenFile(tyl));
  EXPECT_EQ(seen.Take(),
            Then(ResetOf("2x2+100", 1), {"caption Veltrax Typelane " + tyl, Recent(tyl)}));

  // Tab-delimited text: kind 2.
  const std::string txt = h.dir / "orders.txt";
  WriteBytes(txt, Join({"a\tb\tc", "1\t2\t3", "4"}));
  ASSERT_TRUE(d.OpenFile(txt));
  EXPECT_EQ(seen.Take(),
            Then(ResetOf("3x3+100", 2), {"caption Veltrax Typelane " + txt, Recent(txt, tyl)}));

  // A recording: kind 3, and no blank columns beyond the recorded ones.
  const std::string fpb = std::string(TYPELANE_TEST_DATA) + "/playback/three_records.fpb";
  ASSERT_TRUE(d.OpenFile(fpb));
  const V events = seen.Take();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0], "reset begin");
  EXPECT_EQ(events[1], "reset " + RecordingObserver::Extent(d.Extent()));
  EXPECT_EQ(d.Extent().blank_cols, 0);
  EXPECT_GT(d.Extent().last_col, 0);
  EXPECT_EQ(V(events.begin() + 2, events.end()),
            (V{"kind 3", "commands", "delays", "options", "values",
               "caption Veltrax Typelane " + fpb, Recent(fpb, txt, tyl)}));

  // Back to a new sheet: the caption returns, the kind too.
  ASSERT_TRUE(d.NewSheet());
  EXPECT_EQ(seen.Take(), Then(ResetOf("0x0+100", 1), {"caption Veltrax Typelane"}));
}

TEST(DocumentEvents, AFailedOpenIsOneResetThenTheMessage) {
  DocumentHarness h;
  Document& d = *h.doc;
  MessageCountingObserver seen(h.prompter);
  d.AddObserver(&seen);

  // A modified document and an empty file: the save question, No, then one
  // reset; the caption went to the file and back, so it is not told; the
  // message comes after the reset has ended.
  d.SetModified(true);
  seen.Take();
  const std::string empty = h.dir / "empty.tyl";
  WriteBytes(empty, "");
  h.prompter.answers.push_back(Answer::kNo);
  EXPECT_FALSE(d.OpenFile(empty));
  EXPECT_EQ(seen.Take(), Then({"unmodified"}, ResetOf("0x0+100", 1)));
  ASSERT_EQ(h.prompter.shown.size(), 2u);  // the question, the failure
  EXPECT_EQ(seen.messages_at_reset, (std::vector<size_t>{1}));
  // The failure names the file and why, after the usual words.
  EXPECT_EQ(h.prompter.shown[1].text,
            "Failed to open the file or an error occured during file processing.\r" + empty +
                ": The file is empty");

  // A recording the converter refuses resets the document inside the open:
  // still one reset, ending in kind 1, and the file is no recent file.
  const std::string refused = std::string(TYPELANE_TEST_DATA) + "/playback/signon_only.fpb";
  EXPECT_FALSE(d.OpenFile(refused));
  EXPECT_EQ(seen.Take(), ResetOf("0x0+100", 1));
  EXPECT_EQ(d.RecentFiles()[0], "");

  // Cancelling the open dialog tells nothing.
  h.prompter.files.push_back(std::nullopt);
  EXPECT_FALSE(d.OpenFile(""));
  EXPECT_TRUE(seen.Take().empty());
}

TEST(DocumentEvents, SaveAsKindSwitchModifiedAndRecentFiles) {
  DocumentHarness h;
  Document& d = *h.doc;
  RecordingObserver seen;
  d.AddObserver(&seen);

  // The flag is told when it changes, not on every edit.
  d.SetModified(true);
  d.SetModified(true);
  d.SetModified(false);
  d.SetModified(false);
  EXPECT_EQ(seen.Take(), (V{"modified", "unmodified"}));

  // Save As a tab-delimited file: caption, the titles the switch empties, the
  // kind, the flag, the recent files, in the order they happen.
  for (int c = 1; c <= 3; ++c) d.sheet.SetCell(0, c, "T" + std::to_string(c));
  d.sheet.SetCell(1, 1, "a");
  d.sheet.RaiseExtent(1, 3);
  d.SetModified(true);
  d.CellsChanged(CellRect{0, 1, 1, 3});
  seen.Take();
  const std::string txt = h.dir / "out.txt";
  h.prompter.files.push_back(FileChoice{txt, 2});
  ASSERT_TRUE(d.SaveFile(true));
  EXPECT_EQ(seen.Take(), (V{"caption Veltrax Typelane " + txt, "cells R0C1:R0C3", "kind 2",
                            "unmodified", Recent(txt)}));

  // Save again: nothing changed, nothing told.
  ASSERT_TRUE(d.SaveFile(false));
  EXPECT_TRUE(seen.Take().empty());

  // A failed Save As keeps the new caption and the flag.
  d.SetModified(true);
  seen.Take();
  const std::string nowhere = h.dir / "missing/out.tyl";
  h.prompter.files.push_back(FileChoice{nowhere, 1});
  EXPECT_FALSE(d.SaveFile(true));
  EXPECT_EQ(seen.Take(), (V{"caption Veltrax Typelane " + nowhere, "kind 1"}));
  EXPECT_TRUE(d.Modified());

  // Every switch of kind is told, also to the kind in force (the drop lists
  // are loaded again).
  d.SetDocumentKind(DocumentKind::kPlayback);
  d.SetDocumentKind(DocumentKind::kPlayback);
  EXPECT_EQ(seen.Take(), (V{"kind 3", "kind 3"}));

  // Recent files: told when the list changes, not when it stays.
  h.store.WriteString(kRecentFilesKey, "File1", "/a.tyl");
  h.store.WriteString(kRecentFilesKey, "File2", "/b.tyl");
  d.ReadRecentFiles();
  d.ReadRecentFiles();
  EXPECT_EQ(seen.Take(), (V{Recent("/a.tyl", "/b.tyl")}));
  d.AddRecentFile("/b.tyl");
  d.AddRecentFile("/b.tyl");
  EXPECT_EQ(seen.Take(), (V{Recent("/b.tyl", "/a.tyl")}));
}

TEST(DocumentEvents, SeveralObserversEachHearEverythingUntilTheyDetach) {
  DocumentHarness h;
  Document& d = *h.doc;
  RecordingObserver model, window;
  d.AddObserver(&model);
  d.AddObserver(&window);
  d.AddObserver(&model);  // attaching twice tells once
  d.SetModified(true);
  EXPECT_EQ(model.Take(), (V{"modified"}));
  EXPECT_EQ(window.Take(), (V{"modified"}));

  d.RemoveObserver(&window);
  h.prompter.answers.push_back(Answer::kNo);
  d.NewSheet();
  EXPECT_EQ(model.Take(), Then({"unmodified"}, ResetOf("0x0+100", 1)));
  EXPECT_TRUE(window.Take().empty());

  // An observer may detach itself while it is told.
  struct Leaver : RecordingObserver {
    Document* doc = nullptr;
    void ModifiedChanged(bool m) override {
      RecordingObserver::ModifiedChanged(m);
      doc->RemoveObserver(this);
    }
  } leaver;
  leaver.doc = &d;
  d.AddObserver(&leaver);
  d.SetModified(true);
  d.SetModified(false);
  EXPECT_EQ(leaver.Take(), (V{"modified"}));
  EXPECT_EQ(model.Take(), (V{"modified", "unmodified"}));
}

}  // namespace
}  // namespace typelane
