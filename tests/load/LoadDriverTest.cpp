#include <gtest/gtest.h>

#include <algorithm>

#include "core/common/Errors.h"
#include "core/load/LoadDriver.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

using testing::AutoTab;
using testing::Join;
using testing::Paste;
using testing::Press;
using testing::Trace;

struct Fixture {
  RecordingPlatform platform;
  Sheet sheet;
  CommandTable commands = testing::TestCommands();
  DelaySettings delays = testing::TestDelays();
  testing::RecordingObserver observer;

  LoadDriver Driver(bool auto_tab, std::string group = "GA", bool hour_glass = false,
                    bool with_observer = false) {
    return LoadDriver(LoadContext{platform, sheet, commands, delays, std::move(group), auto_tab,
                                  hour_glass, with_observer ? &observer : nullptr, 0, ""});
  }
  LoadOutcome LoadAll(LoadDriver driver) {
    return driver.LoadRange(1, sheet.LastRow(), 1, sheet.LastCol());
  }
};

TEST(LoadRange, OrderOfEventsAndWaitsWithAutoTab) {
  Fixture f;
  f.sheet = testing::SheetOf({{"abc", "\\\\abc", "&abc", "\\{F2}", "next", "empty", "", "alias"}});
  const LoadOutcome outcome = f.LoadAll(f.Driver(true));
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(outcome.rows_loaded, 1);
  const Trace expected = Join({
      {"wait 50"},
      Paste("abc"),
      AutoTab(),
      {"wait 200"},
      // "\\abc" pastes "\abc" (a trace writes a backslash as two).
      {"wait 50"},
      Paste("\\\\abc"),
      AutoTab(),
      {"wait 200"},
      // "&abc" pastes "abc" and gets no Tab.
      {"wait 50"},
      Paste("abc"),
      {"wait 200"},
      // A keystroke cell never gets a Tab.
      {"wait 50"},
      Press("71"),
      {"wait 200"},
      // A command: its definition in GA, then CellDelay plus its own delay.
      {"wait 50"},
      Press("28"),
      {"wait 300"},
      // A command with an empty definition, and a blank cell: the pause only.
      {"wait 50"},
      {"wait 50"},
      // A definition that names a command is not translated again: it is data.
      {"wait 50"},
      Paste("next"),
      AutoTab(),
      {"wait 200"},
  });
  EXPECT_EQ(f.platform.Trace(), expected);
  EXPECT_EQ(f.platform.ClipboardText(), "next");
}

TEST(LoadRange, WithoutAutoTabTheMarkerIsData) {
  Fixture f;
  f.sheet = testing::SheetOf({{"abc", "&abc", "\\\\x"}});
  f.LoadAll(f.Driver(false));
  EXPECT_EQ(f.platform.Trace(), Join({{"wait 50"},
                                      Paste("abc"),
                                      {"wait 200"},
                                      {"wait 50"},
                                      Paste("&abc"),
                                      {"wait 200"},
                                      {"wait 50"},
                                      Paste("\\\\x"),
                                      {"wait 200"}}));
}

TEST(LoadRange, CommandGroupsAndBuiltIns) {
  Fixture f;
  f.sheet = testing::SheetOf({{"Next", "wait", "*SL(CELL)", "*ML(3,4)", "*cw(Orders)"}});
  // Group names are case-sensitive: "ga" is unknown and takes column 3 (GB).
  f.LoadAll(f.Driver(true, "ga"));
  EXPECT_EQ(
      f.platform.Trace(),
      Join({{"wait 50"},
            Press("09"),
            {"wait 300"},
            {"wait 50", "wait 1000", "wait 200"},
            {"wait 50", "wait 200", "wait 200"},
            {"wait 50", "move 3 4", "button left down", "wait 5", "button left up", "wait 200"},
            {"wait 50", "activate Orders", "wait 250", "wait 200"}}));
}

TEST(LoadRange, WaitsWhileTheTargetIsBusy) {
  Fixture f;
  f.sheet = testing::SheetOf({{"", "x"}});
  f.platform.SetHourglassSequence({true, true, false, false});
  f.LoadAll(f.Driver(false, "GA", true));
  EXPECT_EQ(f.platform.Trace(),
            Join({{"wait 50", "wait 1000", "wait 1000", "wait 50"}, Paste("x"), {"wait 200"}}));
  EXPECT_EQ(f.platform.HourglassChecks(), 4);

  // With the option off the hourglass is never looked at.
  Fixture off;
  off.sheet = testing::SheetOf({{"x"}});
  off.platform.SetHourglassSequence({true});
  off.LoadAll(off.Driver(false));
  EXPECT_EQ(off.platform.HourglassChecks(), 0);
}

TEST(LoadRange, EscStopsBeforeTheNextCell) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a", "b", "c", "d"}, {"e", "f", "g", "h"}});
  // Two checks a cell, before and after its pause: checks 1-8 are row 1, the
  // 13th is the first of row 2's third cell.
  f.platform.PressEscAtCheck(13);
  const LoadOutcome outcome = f.LoadAll(f.Driver(false));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.rows_loaded, 1);
  const Trace& trace = f.platform.Trace();
  EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                          [](const std::string& l) { return l.rfind("clip ", 0) == 0; }),
            6);
  EXPECT_EQ(f.platform.ClipboardText(), "f");
  EXPECT_EQ(trace.back(), "wait 200");
}

TEST(LoadRange, EscDuringTheHourglassWait) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a", "b"}});
  f.platform.SetHourglassSequence(std::vector<bool>(100, true));
  // Before and after the cell's pause, then two checks around each wait.
  f.platform.PressEscAtCheck(8);
  const LoadOutcome outcome = f.LoadAll(f.Driver(false, "GA", true));
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.rows_loaded, 0);
  EXPECT_EQ(f.platform.Trace(), Trace({"wait 50", "wait 1000", "wait 1000", "wait 1000"}));
}

TEST(LoadRange, ProgressPercentagesAreTruncated) {
  Fixture f;
  f.sheet = testing::SheetOf({{"", "", ""}, {"", "", ""}, {"", "", ""}});
  f.LoadAll(f.Driver(false, "GA", false, true));
  EXPECT_EQ(f.observer.events,
            Trace({"col 33", "col 66", "col 100", "row 33 1", "col 33", "col 66", "col 100",
                   "row 66 2", "col 33", "col 66", "col 100", "row 100 3"}));
}

TEST(LoadRange, EmptyRanges) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}, {"b"}});
  EXPECT_EQ(f.Driver(false).LoadRange(3, 2, 1, 1).rows_loaded, 0);
  // Rows without any column: nothing is sent, yet the load is past each row.
  EXPECT_EQ(f.Driver(false).LoadRange(1, 2, 2, 1).rows_loaded, 2);
  EXPECT_TRUE(f.platform.Trace().empty());
  // Part of a sheet: only the cells asked for.
  EXPECT_EQ(f.Driver(false).LoadRange(2, 2, 1, 1).rows_loaded, 1);
  EXPECT_EQ(f.platform.ClipboardText(), "b");
}

TEST(LoadRange, AnErrorEndsTheLoadAtItsCell) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}, {"*ML(1,x)"}, {"c"}});
  LoadDriver driver = f.Driver(false);
  EXPECT_THROW(driver.LoadRange(1, 3, 1, 1), ConversionError);
  EXPECT_EQ(driver.RowsLoaded(), 1);
  EXPECT_EQ(f.platform.ClipboardText(), "a");

  Fixture clip;
  clip.sheet = testing::SheetOf({{"a", "b"}});
  clip.platform.FailClipboardFrom(2);
  LoadDriver failing = clip.Driver(false);
  EXPECT_THROW(failing.LoadRange(1, 1, 1, 2), PlatformError);
  EXPECT_EQ(failing.RowsLoaded(), 0);
  // Nothing was pasted for the cell whose clipboard failed.
  EXPECT_EQ(clip.platform.Trace().back(), "wait 50");

  // A per-command delay that is not a number stops the load too.
  Fixture bad;
  bad.sheet = testing::SheetOf({{"next"}});
  bad.delays.SetDelayByName("NEXT", 0);
  for (auto& row : bad.delays.MutableCommandDelays()) {
    if (row.name == "NEXT") row.value = "soon";
  }
  LoadDriver driver2 = bad.Driver(false);
  EXPECT_THROW(driver2.LoadRange(1, 1, 1, 1), ConversionError);
}

TEST(LoadRange, PasteWaitsForTheTargetBeforeTheTab) {
  Fixture f;
  f.sheet = testing::SheetOf({{"x"}});
  f.platform.TracePasteWaits(true);
  f.LoadAll(f.Driver(true));
  EXPECT_EQ(
      f.platform.Trace(),
      Join(
          {{"wait 50", "clip x"}, testing::CtrlV(), {"paste", "wait 3"}, AutoTab(), {"wait 200"}}));
}

}  // namespace
}  // namespace typelane
