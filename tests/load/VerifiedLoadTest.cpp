// A load that verifies its pastes reads each value back from the target's
// field before the Tab: a field that kept something else stops the load at
// that cell, a target that cannot be read is loaded without verifying (and
// the user is told once), and Esc ends the reading at once.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/load/FieldReader.h"
#include "core/load/LoadJournal.h"
#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingFieldReader.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

using testing::Trace;

class NoticeObserver : public LoadObserver {
 public:
  void LoadNotice(const std::string& text) override { notices.push_back(text); }
  Trace notices;
};

class VerifiedJournal : public LoadJournal {
 public:
  void LoadStarted(std::int64_t) override {}
  void RowStarted(int, std::int64_t) override {}
  void RowVerified(int, std::string_view verified) override { verified_ = verified; }
  void RowEnded(int row, int cells_sent, std::string_view outcome) override {
    lines.push_back(std::to_string(row) + " " + std::to_string(cells_sent) + " " +
                    std::string(outcome) + " | " + verified_);
    verified_ = "(none)";
  }
  void LoadNote(std::int64_t, std::string_view text) override { lines.emplace_back(text); }
  Trace lines;

 private:
  std::string verified_ = "(none)";
};

struct Verified {
  RecordingPlatform platform;
  RecordingFieldReader fields{platform};
  Sheet sheet;
  CommandTable commands = testing::TestCommands();
  DelaySettings delays = testing::TestDelays();
  NoticeObserver observer;
  VerifiedJournal journal;
  SendRequest request;
  Verified() {
    request.window_title = "Orders";
    request.progress_bar = false;
    request.auto_tab = true;
    request.verify_paste = true;
    request.group = "GA";
  }
  SendResult Send(FieldReader* reader) {
    return SendData(platform, sheet, commands, delays, request, &observer, &journal, reader);
  }
  SendResult Send() { return Send(&fields); }
  int Count(const std::string& line) const {
    return static_cast<int>(std::count(platform.Trace().begin(), platform.Trace().end(), line));
  }
};

TEST(VerifiedLoad, EveryPasteIsReadBackBeforeItsTab) {
  Verified v;
  v.sheet = testing::SheetOf({{"Acme", "NEXT", "12"}, {"Bolt", "", "&7"}});
  // The target shows each paste only at the third read: the load reads on.
  v.fields.ShowPasteAtRead(3);
  const SendResult result = v.Send();
  EXPECT_TRUE(result.completed) << result.message;
  EXPECT_EQ(result.title, "Typelane");
  EXPECT_EQ(v.fields.Reads(), 4 * 3);
  ASSERT_EQ(v.fields.Asked().size(), 1u);
  EXPECT_EQ(v.fields.Asked()[0].title, "Orders");
  EXPECT_TRUE(v.observer.notices.empty());
  EXPECT_EQ(v.journal.lines, (Trace{"1 3 loaded | yes", "2 2 loaded | yes"}));
  // The reads wait in short slices between the paste and its Tab.
  const Trace& trace = v.platform.Trace();
  const auto clip = std::find(trace.begin(), trace.end(), "clip Acme");
  const auto tab = std::find(clip, trace.end(), "down 09");
  EXPECT_EQ(std::count(clip, tab, "wait 10"), 2);

  // What "holds the value" means: the whole text, or in a field of several
  // lines the text before the caret; the cell's characters, whatever its bytes.
  struct Case {
    FieldText field;
    std::string sent;
    bool holds;
  };
  const Case cases[] = {
      {{"AS54888", 7, false}, "AS54888", true},
      {{"AS5488", 6, false}, "AS54888", false},
      {{"as54888", 7, false}, "AS54888", false},
      {{"old AS54888", 11, false}, "AS54888", false},
      {{"old\nAS54888\nmore", 11, true}, "AS54888", true},
      {{"old\nAS54888\nmore", 16, true}, "AS54888", false},
      {{"a\nb", 3, true}, "a\r\nb", true},
      {{"caf\xC3\xA9", 5, false}, "caf\xE9", true},  // a Windows-1252 cell
      {{"", -1, true}, "x", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FieldHolds(c.field, c.sent), c.holds) << c.field.text << " / " << c.sent;
  }
}

TEST(VerifiedLoad, AFieldThatKeptSomethingElseStopsTheLoadAtThatCell) {
  Verified v;
  v.sheet = testing::SheetOf({{"Acme", "AB", "1"}, {"Bolt", "AS54888", "2", "3"}});
  // A field of five characters.
  v.fields.SetFieldRule([](std::string_view pasted) { return std::string(pasted.substr(0, 5)); });
  const SendResult result = v.Send();
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(result.message, "Row 2, cell 2: sent \"AS54888\", the field holds \"AS548\"");
  EXPECT_EQ(result.rows, 1);
  EXPECT_EQ(result.resume_row, 2);
  EXPECT_EQ(result.resume_col, 2);
  // Nothing more is typed: no Tab after the wrong paste, no later cell; the
  // user's window comes back.
  const Trace& trace = v.platform.Trace();
  const auto wrong = std::find(trace.begin(), trace.end(), "clip AS54888");
  ASSERT_NE(wrong, trace.end());
  EXPECT_EQ(std::find(wrong, trace.end(), "down 09"), trace.end());
  EXPECT_EQ(std::find(wrong, trace.end(), "clip 2"), trace.end());
  EXPECT_EQ(trace.back(), "foreground");
  EXPECT_EQ(v.journal.lines,
            (Trace{"1 3 loaded | yes",
                   "2 1 Row 2, cell 2: sent \"AS54888\", the field holds \"AS548\" | no"}));

  // A slow target: the field reads empty until the paste shows at the last
  // read of the wait. The user is told what the field came to hold, not the
  // empty text it held before the paste reached it.
  for (const int shown_at : {2, 3, 6}) {
    Verified slow;
    slow.sheet = testing::SheetOf({{"AS54888"}});
    slow.delays.verify_wait = 0.05;  // six reads, 10 ms apart
    slow.fields.SetFieldRule(
        [](std::string_view pasted) { return std::string(pasted.substr(0, 5)); });
    slow.fields.ShowPasteAtRead(shown_at);
    EXPECT_EQ(slow.Send().message, "Row 1, cell 1: sent \"AS54888\", the field holds \"AS548\"")
        << "shown at read " << shown_at;
  }
}

TEST(VerifiedLoad, AnUnreadableTargetIsLoadedWithoutVerifyingAndTheUserToldOnce) {
  const std::string notice = "Verification is not available for \"Orders\": loading without it";
  for (const bool no_reader : {false, true}) {
    SCOPED_TRACE(no_reader ? "no reader on this desktop" : "a target not on the bus");
    Verified v;
    v.sheet = testing::SheetOf({{"Acme", "12"}, {"Bolt", "7"}, {"Coil", "9"}});
    v.fields.SetReadable(false);
    const SendResult result = v.Send(no_reader ? nullptr : &v.fields);
    EXPECT_TRUE(result.completed) << result.message;
    EXPECT_EQ(result.rows, 3);
    EXPECT_EQ(v.observer.notices, Trace{notice});
    EXPECT_EQ(v.fields.Reads(), 0);
    EXPECT_EQ(v.journal.lines, (Trace{notice, "1 2 loaded | not available",
                                      "2 2 loaded | not available", "3 2 loaded | not available"}));
    EXPECT_EQ(v.Count("down 09"), 6);
  }
  // A readable target whose focused widget is no text field (a button took
  // the paste): the load goes on, and the row is not counted as verified.
  Verified button;
  button.sheet = testing::SheetOf({{"Acme"}});
  button.fields.SetNoTextField(true);
  EXPECT_TRUE(button.Send().completed);
  EXPECT_TRUE(button.observer.notices.empty());
  EXPECT_EQ(button.journal.lines, Trace{"1 1 loaded | not available"});
  // The option off: nothing is read, nothing is said, the log has no column.
  Verified off;
  off.request.verify_paste = false;
  off.sheet = testing::SheetOf({{"Acme"}});
  EXPECT_TRUE(off.Send().completed);
  EXPECT_EQ(off.fields.Reads(), 0);
  EXPECT_TRUE(off.fields.Asked().empty());
  EXPECT_EQ(off.journal.lines, Trace{"1 1 loaded | (none)"});
}

TEST(VerifiedLoad, EscWhileTheFieldIsReadEndsTheLoadAtOnce) {
  Verified v;
  v.sheet = testing::SheetOf({{"Acme", "Bolt", "Coil"}});
  v.delays.verify_wait = 30;
  // The second field never shows its paste; Esc comes 100 ms into the reading.
  v.fields.SetFieldRule([](std::string_view pasted) {
    return pasted == "Bolt" ? std::string() : std::string(pasted);
  });
  std::int64_t second_paste_at = -1;
  {
    // Where the second paste's reading starts on the virtual clock: a dry
    // run of the same load without the Esc.
    Verified dry;
    dry.sheet = v.sheet;
    dry.delays.verify_wait = 0;
    dry.fields.SetFieldRule([](std::string_view pasted) {
      return pasted == "Bolt" ? std::string() : std::string(pasted);
    });
    const SendResult failed = dry.Send();
    EXPECT_EQ(failed.message, "Row 1, cell 2: sent \"Bolt\", the field holds \"\"");
    second_paste_at = dry.platform.NowMs();
  }
  v.platform.PressEscAtMs(second_paste_at + 100);
  const SendResult result = v.Send();
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.resume_row, 1);
  EXPECT_EQ(result.resume_col, 2);
  // Over within one reading slice of the Esc, long before the verify wait.
  EXPECT_LT(v.platform.NowMs(), second_paste_at + 100 + 10 + 250);
  EXPECT_EQ(v.Count("clip Coil"), 0);
  EXPECT_EQ(v.Count("down 09"), 1);
  EXPECT_EQ(v.journal.lines, Trace{"1 1 stopped by Esc in row 1 after cell 1 | yes"});
}

}  // namespace
}  // namespace typelane
