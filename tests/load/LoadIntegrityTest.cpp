// A load claims success only when every cell went, once, into its own target:
// a paste the target has not taken holds the next cell, another program's
// focus holds the load, Esc ends any wait at once, and a stopped load resumes
// at the cell it stopped at.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/load/LoadJournal.h"
#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingPlatform.h"
#include "support/SendFixture.h"

namespace typelane {
namespace {

using testing::Trace;

class NoticeObserver : public testing::RecordingObserver {
 public:
  void WaitNotice(const std::string& text) override {
    events.push_back(text.empty() ? "wait over" : text);
  }
};

struct Fixture : testing::SendFixture<> {
  NoticeObserver notices;
  Fixture() {
    listener = &notices;
    request.progress_bar = false;
  }
  std::vector<std::string> Clips() const {
    std::vector<std::string> clips;
    for (const auto& line : platform.Trace()) {
      if (line.rfind("clip ", 0) == 0) clips.push_back(line.substr(5));
    }
    return clips;
  }
};

class LinesJournal : public LoadJournal {
 public:
  void LoadStarted(std::int64_t) override {}
  void RowStarted(int, std::int64_t) override {}
  void RowEnded(int row, int cells_sent, std::string_view outcome) override {
    lines.push_back(std::to_string(row) + " " + std::to_string(cells_sent) + " " +
                    std::string(outcome));
  }
  void LoadNote(std::int64_t, std::string_view text) override { lines.emplace_back(text); }
  Trace lines;
};

TEST(LoadIntegrity, APasteNotTakenHoldsTheNextCellAndFailsAtThePasteWait) {
  // Taken late: the load waits, tells the user after two seconds, and the
  // next text goes on the clipboard only after the target took the first.
  Fixture late;
  late.sheet = testing::SheetOf({{"One", "Two"}});
  late.platform.SetPasteSequence(std::vector<bool>(50, false));  // 50 x 50 ms
  late.platform.TracePasteWaits(true);
  EXPECT_TRUE(late.Send().completed);
  const Trace& trace = late.platform.Trace();
  const auto taken = std::find(trace.begin(), trace.end(), "paste");
  const auto second = std::find(trace.begin(), trace.end(), "clip Two");
  EXPECT_TRUE(taken < second);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "paste not taken"), 50);
  EXPECT_EQ(late.notices.events,
            Trace({"Waiting for \"Orders\" to take the paste (row 1, cell 1) \u2014 Esc stops",
                   "wait over"}));

  // Never taken: an error naming the row and the cell at the paste wait; no
  // Tab or later cell follows the paste.
  Fixture never;
  never.delays.paste_wait = 3;
  never.sheet = testing::SheetOf({{"One", "Two"}, {"Three"}});
  never.request.auto_tab = true;
  std::vector<bool> first_only(1000, false);
  first_only[0] = true;
  never.platform.SetPasteSequence(first_only);
  const SendResult result = never.Send();
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(result.message,
            "\"Orders\" did not take the paste of row 1, cell 2 within 3 seconds: the load "
            "stopped.");
  EXPECT_EQ(never.Clips(), Trace({"One", "Two"}));
  const Trace& failed = never.platform.Trace();
  EXPECT_EQ(std::count(failed.begin(), failed.end(), "down 09"), 1);  // One's Tab only
  EXPECT_EQ(result.resume_row, 1);
  EXPECT_EQ(result.resume_col, 2);

  // No limit: it waits until Esc, which ends the wait at once.
  Fixture esc;
  esc.delays.paste_wait = 0;
  esc.sheet = testing::SheetOf({{"One", "Two"}});
  esc.platform.SetPasteSequence(std::vector<bool>(100000, false));
  esc.platform.PressEscAtMs(60000);
  const SendResult stopped = esc.Send();
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_LT(esc.platform.NowMs(), 60000 + 100);
  EXPECT_EQ(esc.Clips(), Trace({"One"}));
  EXPECT_NE(stopped.message.find("Stopped before row 1."), std::string::npos);
}

TEST(LoadIntegrity, AnotherProgramsFocusHoldsTheLoadUntilTheTargetIsBack) {
  Fixture f;
  f.sheet = testing::SheetOf({{"One", "\\{F5}"}});
  f.request.hour_glass = true;
  // Cell 2: the focus is elsewhere for three looks, then the target is busy
  // once (nothing else is busy).
  f.platform.SetFocusSequence({true, false, false, false, true});
  f.platform.SetHourglassSequence({false, true});
  const SendResult result = f.Send();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(f.notices.events,
            Trace({"Waiting while \"Orders\" is busy", "wait over",
                   "Waiting for \"Orders\" to come back to the front (another window has the "
                   "focus) \u2014 Esc stops",
                   "wait over"}));
  // Nothing went out while another window had the focus: between the first
  // cell's paste and F5 there are only waits.
  const Trace& trace = f.platform.Trace();
  const auto f5 = std::find(trace.begin(), trace.end(), "down 74");
  ASSERT_NE(f5, trace.end());
  auto it = f5;
  while (it != trace.begin() && (it - 1)->rfind("wait ", 0) == 0) --it;
  // The data and cell delays, the pause, the busy wait, three focus looks.
  EXPECT_EQ(f5 - it, 7);
}

TEST(LoadIntegrity, EscEndsALongPauseAtOnceAndTheLoadResumesAtTheCell) {
  Fixture f;
  f.sheet = testing::SheetOf({{"One", "SAVE", "*SL(20)", "Two"}, {"Three"}});
  const std::vector<std::string> table = {"Name\tNote\tGA", "SAVE\t\t\\^s"};
  f.commands.Load(table);
  f.request.group = "GA";
  LinesJournal journal;
  f.rows_journal = &journal;
  f.platform.PressEscAtMs(2000);  // inside the 20 s pause
  const SendResult stopped = f.Send();
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_LT(f.platform.NowMs(), 2000 + 100);
  const Trace& trace = f.platform.Trace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "wait 20000"), 0);
  EXPECT_EQ(stopped.resume_row, 1);
  EXPECT_EQ(stopped.resume_col, 4);
  EXPECT_EQ(journal.lines, Trace({"1 3 stopped by Esc in row 1 after cell 3"}));

  // The resumed load sends the rest of row 1 and row 2, and nothing twice.
  Fixture again;
  again.sheet = f.sheet;
  again.commands = f.commands;
  again.request.group = "GA";
  again.request.all_cells = false;
  again.request.selection = CellRect{1, 1, 2, 4};
  again.request.start_col = stopped.resume_col;
  LinesJournal resumed;
  again.rows_journal = &resumed;
  const SendResult result = again.Send();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.rows, 2);
  EXPECT_EQ(again.Clips(), Trace({"Two", "Three"}));
  const Trace& keys = again.platform.Trace();
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "down 53"), 0);  // no second SAVE
  // Blank cells are not counted as sent.
  EXPECT_EQ(resumed.lines, Trace({"resumed at row 1, cell 4", "1 1 loaded", "2 1 loaded"}));
}

}  // namespace
}  // namespace typelane
