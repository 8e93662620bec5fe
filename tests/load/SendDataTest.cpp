#include <gtest/gtest.h>

#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingPlatform.h"
#include "support/SendFixture.h"

namespace typelane {
namespace {

using testing::Join;
using testing::Paste;
using testing::Trace;

using Fixture = testing::SendFixture<>;

TEST(SendData, LoadsTheWholeSheetAndReports) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}, {"b"}});
  const SendResult result = f.Send();
  EXPECT_TRUE(result.found);
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.rows, 2);
  EXPECT_EQ(result.title, "Typelane");
  EXPECT_EQ(result.message, "Typelane completed successfully:\r\rRows:\t2\rTime:\t0:0:0");
  EXPECT_EQ(f.platform.Trace(), Join({{"activate Orders", "wait 250", "wait 50"},
                                      Paste("a"),
                                      {"wait 200", "wait 50"},
                                      Paste("b"),
                                      {"wait 200", "foreground"}}));
  // The window in front before the load is in front again afterwards.
  EXPECT_EQ(f.platform.GetForegroundWindow(), RecordingPlatform::kInitialForeground);
  EXPECT_EQ(result.elapsed_ms, 250 + 2 * (50 + 3 + 200 + 12));
  // The progress window stays up for the summary; the caller hides it after.
  EXPECT_EQ(f.observer.events, Trace({"shown", "col 100", "row 50 1", "col 100", "row 100 2"}));
}

TEST(SendData, EmptySheetAndSelectionsOutsideTheExtent) {
  Fixture empty;
  SendResult result = empty.Send();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.rows, 0);
  EXPECT_EQ(result.message, "Typelane completed successfully:\r\rRows:\t0\rTime:\t0:0:0");
  EXPECT_EQ(empty.platform.Trace(), Trace({"activate Orders", "wait 250", "foreground"}));

  Fixture below;
  below.sheet = testing::SheetOf({{"a", "b"}, {"c", "d"}});
  below.request.all_cells = false;
  below.request.selection = CellRect{5, 1, 9, 2};
  result = below.Send();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.rows, 0);
  EXPECT_EQ(below.platform.Trace(), Trace({"activate Orders", "wait 250", "foreground"}));

  // A selection reaching beyond the extent is cut to it.
  Fixture cut;
  cut.sheet = testing::SheetOf({{"a", "b"}, {"c", "d"}});
  cut.request.all_cells = false;
  cut.request.selection = CellRect{2, 2, 40, 40};
  result = cut.Send();
  EXPECT_EQ(result.rows, 1);
  EXPECT_EQ(cut.platform.ClipboardText(), "d");

  // A selection of the first column sends nothing of the cells beside it,
  // while the whole sheet sends every cell.
  for (const bool whole : {false, true}) {
    Fixture left;
    left.sheet = testing::SheetOf({{"a", "b"}, {"c", "d"}});
    left.request.all_cells = whole;
    left.request.selection = CellRect{1, 1, 2, 1};
    EXPECT_EQ(left.Send().rows, 2);
    std::vector<std::string> clips;
    for (const auto& line : left.platform.Trace()) {
      if (line.starts_with("clip ")) clips.push_back(line.substr(5));
    }
    EXPECT_EQ(clips, whole ? Trace({"a", "b", "c", "d"}) : Trace({"a", "c"}));
  }
}

TEST(SendData, TargetNotFound) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}});
  f.platform.UseWindowList({{5, "Invoices", true, false}});
  const SendResult result = f.Send();
  EXPECT_FALSE(result.found);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(result.message,
            "The specified Window does not exist.\r"
            "Please select a valid Window name from the Window Name drop down list.");
  // FormDelay is still waited; nothing is loaded and nothing brought back.
  EXPECT_EQ(f.platform.Trace(), Trace({"wait 250"}));
  EXPECT_EQ(f.observer.events, Trace({"shown"}));
}

TEST(SendData, CancelledWithEsc) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a", "b", "c", "d"}, {"e", "f", "g", "h"}});
  // Two Esc checks a cell: the 13th is the first of row 2's third cell.
  f.platform.PressEscAtCheck(13);
  const SendResult result = f.Send();
  EXPECT_TRUE(result.cancelled);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.rows, 1);
  EXPECT_EQ(result.message.substr(0, result.message.find("Time")),
            "Data loading terminated at user request:\r\rRows:\t1\r");
  EXPECT_TRUE(result.message.ends_with("\rStopped in row 2 after cell 2."));
  EXPECT_EQ(result.resume_row, 2);
  EXPECT_EQ(result.resume_col, 3);
  EXPECT_EQ(f.platform.Trace().back(), "foreground");
}

TEST(SendData, ElapsedTime) {
  EXPECT_EQ(FormatElapsed(3725000), "1:2:5");
  EXPECT_EQ(FormatElapsed(999), "0:0:0");
  EXPECT_EQ(FormatElapsed(59999), "0:0:59");
  EXPECT_EQ(FormatElapsed(90061000), "25:1:1");
  EXPECT_EQ(FormatElapsed(-5), "0:0:0");

  // The clock is the platform's: a pause of an hour shows in the summary.
  Fixture f;
  f.delays.form_delay = 0;
  f.delays.cell_delay = 0;
  f.sheet = testing::SheetOf({{"*SL(3724)"}});
  const SendResult result = f.Send();
  EXPECT_EQ(result.elapsed_ms, 3724050);
  EXPECT_EQ(result.message, "Typelane completed successfully:\r\rRows:\t1\rTime:\t1:2:4");
}

TEST(SendData, AnErrorEndsTheLoadWithItsMessage) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}, {"*MR(10;20)"}, {"c"}});
  const SendResult result = f.Send();
  EXPECT_TRUE(result.found);
  EXPECT_FALSE(result.completed);
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.rows, 1);
  EXPECT_EQ(result.error, "'' is not a valid integer value");
  EXPECT_EQ(result.message, result.error + "\rThe load stopped at row 2, cell 1.");
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(f.platform.Trace().back(), "foreground");
  EXPECT_EQ(f.platform.GetForegroundWindow(), RecordingPlatform::kInitialForeground);

  Fixture clip;
  clip.sheet = testing::SheetOf({{"a"}});
  clip.platform.FailClipboardFrom(1);
  const SendResult failed = clip.Send();
  EXPECT_EQ(failed.message, "Cannot open clipboard\rThe load stopped at row 1, cell 1.");
  EXPECT_EQ(failed.rows, 0);
}

TEST(SendData, OptionsReachTheLoad) {
  Fixture f;
  f.sheet = testing::SheetOf({{"x"}});
  f.request.progress_bar = false;
  f.request.auto_tab = true;
  f.request.hour_glass = true;
  f.platform.SetHourglassSequence({true});
  f.Send();
  EXPECT_TRUE(f.observer.events.empty());
  EXPECT_EQ(f.platform.Trace(), Join({{"activate Orders", "wait 250", "wait 50", "wait 1000"},
                                      Paste("x"),
                                      testing::AutoTab(),
                                      {"wait 200", "foreground"}}));

  // The group chooses the definition.
  Fixture g;
  g.sheet = testing::SheetOf({{"next"}});
  g.request.group = "GB";
  g.Send();
  EXPECT_EQ(g.platform.Trace()[3], "down 09");
}

}  // namespace
}  // namespace typelane
