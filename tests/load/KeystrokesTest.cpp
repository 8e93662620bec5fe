#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/load/DelaySettings.h"
#include "core/load/Keystrokes.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

using Trace = std::vector<std::string>;

// KeyHold 5 and SystemHold 7, so every wait in a trace tells which it is.
Trace Play(std::string_view text) {
  RecordingPlatform platform;
  DelaySettings delays;
  delays.key_hold = 5;
  delays.system_hold = 7;
  TypeKeystrokes(platform, delays, text);
  return platform.Trace();
}

Trace Press(const std::string& hex) { return {"down " + hex, "wait 5", "up " + hex}; }

Trace Join(std::initializer_list<Trace> parts) {
  Trace all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Trace ShiftDown() { return {"down 10", "wait 7"}; }
Trace ShiftUp() { return {"up 10"}; }

TEST(TypeKeystrokes, PlainCharactersUseTheLayoutAndATemporaryShift) {
  EXPECT_EQ(Play("a1"), Join({Press("41"), Press("31")}));
  EXPECT_EQ(Play("A"), Join({ShiftDown(), Press("41"), ShiftUp()}));
  EXPECT_EQ(Play("?"), Join({ShiftDown(), Press("BF"), ShiftUp()}));
  EXPECT_EQ(Play("}"), Join({ShiftDown(), Press("DD"), ShiftUp()}));
  // A character the layout needs Ctrl for goes as its base key alone.
  EXPECT_EQ(Play("\n"), Press("0D"));
  // A character the layout lacks goes as virtual key 0xFF.
  EXPECT_EQ(Play("\xE9"), Press("FF"));
}

TEST(TypeKeystrokes, BraceGroupsAndRepeatCounts) {
  EXPECT_EQ(Play("{TAB 3}"), Join({Press("09"), Press("09"), Press("09")}));
  // No blank before the digits: not a count, and not a key name either.
  EXPECT_EQ(Play("{TAB3}"), Join({ShiftDown(), Press("54"), ShiftUp(), ShiftDown(), Press("41"),
                                  ShiftUp(), ShiftDown(), Press("42"), ShiftUp(), Press("33")}));
  EXPECT_EQ(Play("{F12}"), Press("7B"));
  EXPECT_EQ(Play("{ENTER 0}"), Trace{});
  EXPECT_EQ(Play("{tab}"), Join({Press("54"), Press("41"), Press("42")}));
  EXPECT_EQ(Play("{}"), Trace{});
  EXPECT_EQ(Play("{+}"), Join({ShiftDown(), Press("BB"), ShiftUp()}));
  EXPECT_EQ(Play("{ab 2}"), Join({Press("41"), Press("42"), Press("41"), Press("42")}));
  // Named keys never get a Shift; a closing brace outside braces is typed.
  EXPECT_EQ(Play("{ESC}}"), Join({Press("1B"), ShiftDown(), Press("DD"), ShiftUp()}));
  EXPECT_EQ(Play("{PGDN 2}x"), Join({Press("22"), Press("22"), Press("58")}));
}

TEST(TypeKeystrokes, UnclosedBraceSwallowsTheRest) {
  EXPECT_EQ(Play("ab{TAB"), Join({Press("41"), Press("42")}));
  EXPECT_EQ(Play("+a{b"), Join({ShiftDown(), Press("41"), ShiftUp()}));
}

TEST(TypeKeystrokes, LatchesHoldUntilRepeatedOrTheEnd) {
  // Shift held by the latch: no extra Shift per capital letter.
  EXPECT_EQ(Play("+abc+d"),
            Join({ShiftDown(), Press("41"), Press("42"), Press("43"), ShiftUp(), Press("44")}));
  EXPECT_EQ(Play("+A"), Join({ShiftDown(), Press("41"), ShiftUp()}));
  EXPECT_EQ(Play("^"), Trace({"down 11", "wait 7", "up 11"}));
  // With a latch held, a capital letter gets no temporary Shift.
  EXPECT_EQ(Play("^V"), Join({{"down 11", "wait 7"}, Press("56"), {"up 11"}}));
  EXPECT_EQ(Play("+{TAB}"), Join({ShiftDown(), Press("09"), ShiftUp()}));
  // Released at the end without waits: Alt, right Alt, Ctrl, Shift.
  EXPECT_EQ(Play("+^&%"), Trace({"down 10", "wait 7", "down 11", "wait 7", "down A5", "wait 7",
                                 "down 12", "wait 7", "up 12", "up A5", "up 11", "up 10"}));
  EXPECT_EQ(Play("%f"), Join({{"down 12", "wait 7"}, Press("46"), {"up 12"}}));
}

TEST(TypeKeystrokes, WaitsGoThroughSleepAndNegativeOnesAreZero) {
  RecordingPlatform platform;
  DelaySettings delays;
  delays.key_hold = 0;
  delays.system_hold = -20;
  TypeKeystrokes(platform, delays, "A");
  EXPECT_EQ(platform.Trace(), Trace({"down 10", "wait 0", "down 41", "wait 0", "up 41", "up 10"}));
  EXPECT_EQ(platform.NowMs(), 0);
}

}  // namespace
}  // namespace typelane
