// Held modifier keys hold a load back; the journal hears of every row.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/load/LoadJournal.h"
#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingPlatform.h"
#include "support/SendFixture.h"

namespace typelane {
namespace {

using testing::Join;
using testing::Paste;
using testing::Trace;

class RecordingJournal : public LoadJournal {
 public:
  void LoadStarted(std::int64_t now_ms) override {
    lines.push_back("start " + std::to_string(now_ms));
  }
  void RowStarted(int row, std::int64_t now_ms) override {
    lines.push_back("row " + std::to_string(row) + " at " + std::to_string(now_ms));
  }
  void RowEnded(int row, int cells_sent, std::string_view outcome) override {
    lines.push_back("end " + std::to_string(row) + " " + std::to_string(cells_sent) + " " +
                    std::string(outcome));
  }
  Trace lines;
};

struct Fixture : testing::SendFixture<> {
  RecordingJournal journal;

  Fixture() { rows_journal = &journal; }
};

TEST(HeldKeys, TheLoadStartsOnlyOnceCtrlShiftAndAltAreLetGo) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}});
  // Ctrl held, then Ctrl and Shift, then nothing.
  f.platform.SetHeldModifierSequence({kCtrlHeld, kCtrlHeld, kCtrlHeld | kShiftHeld, 0});
  const SendResult result = f.Send();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(f.platform.Trace(),
            Join({{"wait 50", "wait 50", "wait 50", "activate Orders", "wait 250", "wait 50"},
                  Paste("a"),
                  {"wait 200", "foreground"}}));
  EXPECT_EQ(f.observer.events,
            Trace({"shown", "hold Ctrl", "hold Ctrl+Shift", "released", "col 100", "row 100 1"}));

  // A key let go by the second look is not worth a message.
  Fixture brief;
  brief.sheet = testing::SheetOf({{"a"}});
  brief.platform.SetHeldModifierSequence({kAltHeld, 0});
  EXPECT_TRUE(brief.Send().completed);
  EXPECT_EQ(brief.platform.Trace().front(), "wait 50");
  EXPECT_EQ(std::count(brief.observer.events.begin(), brief.observer.events.end(), "released"), 0);

  // The progress window off: the wait is still told.
  Fixture quiet;
  quiet.request.progress_bar = false;
  quiet.sheet = testing::SheetOf({{"a"}});
  quiet.platform.SetHeldModifierSequence({kShiftHeld, kShiftHeld, 0});
  EXPECT_TRUE(quiet.Send().completed);
  EXPECT_EQ(quiet.observer.events, Trace({"hold Shift", "released"}));
}

TEST(HeldKeys, EscAndStopRequestsEndTheWait) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a"}});
  f.platform.SetHeldModifierSequence(std::vector<unsigned>(100, kCtrlHeld));
  f.platform.PressEscAtCheck(3);
  const SendResult result = f.Send();
  EXPECT_TRUE(result.found);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.rows, 0);
  EXPECT_EQ(result.message.substr(0, result.message.find('\r')),
            "Data loading terminated at user request:");
  // Nothing was activated, typed or brought back.
  EXPECT_EQ(f.platform.Trace(), Trace({"wait 50", "wait 50"}));
  EXPECT_EQ(f.observer.events, Trace({"shown", "hold Ctrl", "released"}));
  EXPECT_TRUE(f.journal.lines.empty());

  Fixture stop;
  stop.sheet = testing::SheetOf({{"a"}});
  stop.platform.SetHeldModifierSequence(std::vector<unsigned>(100, kAltHeld));
  stop.platform.RequestStop();
  EXPECT_TRUE(stop.Send().stopped);
  EXPECT_TRUE(stop.platform.Trace().empty());
}

TEST(HeldKeys, AKeyPressedDuringTheLoadHoldsTheNextCell) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a", "b"}});
  // Before the load, before cell 1: nothing; before cell 2: Shift, twice.
  f.platform.SetHeldModifierSequence({0, 0, kShiftHeld, kShiftHeld, 0});
  EXPECT_TRUE(f.Send().completed);
  EXPECT_EQ(f.platform.Trace(), Join({{"activate Orders", "wait 250", "wait 50"},
                                      Paste("a"),
                                      {"wait 200", "wait 50", "wait 50", "wait 50"},
                                      Paste("b"),
                                      {"wait 200", "foreground"}}));
  EXPECT_EQ(f.observer.events,
            Trace({"shown", "col 50", "hold Shift", "released", "col 100", "row 100 1"}));
  EXPECT_EQ(ModifierNames(kAltHeld | kCtrlHeld | kShiftHeld), "Ctrl+Shift+Alt");
}

TEST(LoadJournal, EveryRowIsToldWithItsCellsAndHowItEnded) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a", "b", "c"}, {"d", "e", "f"}, {"g"}});
  // Esc checks: two per cell; the ninth is the first of row 2's second cell.
  f.platform.PressEscAtCheck(9);
  EXPECT_TRUE(f.Send().cancelled);
  EXPECT_EQ(f.journal.lines, Trace({"start 250", "row 1 at 250", "end 1 3 loaded", "row 2 at 1045",
                                    "end 2 1 stopped by Esc in row 2 after cell 1"}));

  Fixture error;
  error.sheet = testing::SheetOf({{"a", "*ML(x,1)", "c"}});
  error.Send();
  ASSERT_EQ(error.journal.lines.size(), 3u);
  EXPECT_EQ(error.journal.lines[2],
            "end 1 1 'x' is not a valid integer value (the load stopped at row 1, cell 2)");

  // A stop request (the program closing) during row 2's first cell.
  Fixture stop;
  stop.sheet = testing::SheetOf({{"a"}, {"b"}});
  stop.request.all_cells = false;
  stop.request.selection = CellRect{1, 1, 2, 1};
  int clips = 0;
  struct StopAtSecondClip : RecordingPlatform {
    int* clips;
    void SetClipboardText(std::string_view text) override {
      if (++*clips == 2) RequestStop();
      RecordingPlatform::SetClipboardText(text);
    }
  };
  StopAtSecondClip desktop;
  desktop.clips = &clips;
  RecordingJournal journal;
  EXPECT_TRUE(
      SendData(desktop, stop.sheet, stop.commands, stop.delays, stop.request, nullptr, &journal)
          .stopped);
  EXPECT_EQ(journal.lines.back(), "end 2 0 interrupted before row 2");

  // The target never found: no rows, nothing told.
  Fixture missing;
  missing.platform.UseWindowList({});
  missing.sheet = testing::SheetOf({{"a"}});
  EXPECT_FALSE(missing.Send().found);
  EXPECT_TRUE(missing.journal.lines.empty());
}

}  // namespace
}  // namespace typelane
