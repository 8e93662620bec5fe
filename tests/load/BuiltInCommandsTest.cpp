#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/Errors.h"
#include "core/load/BuiltInCommands.h"
#include "core/load/DelaySettings.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

using Trace = std::vector<std::string>;

TEST(BuiltInCommands, ArgumentRule) {
  EXPECT_EQ(BuiltInArgument("*SL(2)"), "2");
  EXPECT_EQ(BuiltInArgument("*SL2"), "2");
  EXPECT_EQ(BuiltInArgument("*cw(Orders - Entry)"), "Orders - Entry");
  // The last character goes whatever it is.
  EXPECT_EQ(BuiltInArgument("*CW(Orders"), "Order");
  EXPECT_EQ(BuiltInArgument("*SL("), "");
  EXPECT_EQ(BuiltInArgument("*SL()"), "");
  EXPECT_EQ(BuiltInArgument("*SL"), "");
  EXPECT_EQ(BuiltInArgument("*SLEEP"), "EEP");
}

TEST(BuiltInCommands, Pause) {
  DelaySettings delays;
  delays.cell_delay = 0.3;
  delays.SetDelayByName("Slow", 1.25);
  delays.SetDelayByName("Broken", 0);
  delays.MutableCommandDelays().back().value = "abc";
  auto waited = [&](std::string_view text) {
    RecordingPlatform platform;
    EXPECT_TRUE(PlayBuiltInCommand(platform, delays, text));
    return platform.Trace();
  };
  EXPECT_EQ(waited("*SL(2)"), Trace{"wait 2000"});
  EXPECT_EQ(waited("*SL2"), Trace{"wait 2000"});
  EXPECT_EQ(waited("*sl(CELL)"), Trace{"wait 300"});
  EXPECT_EQ(waited("*SL(slow)"), Trace{"wait 1250"});
  // Fractions are not whole numbers: looked up as a name, which is unknown.
  EXPECT_EQ(waited("*SL(0.5)"), Trace{"wait 0"});
  EXPECT_EQ(waited("*SL(nothing)"), Trace{"wait 0"});
  // A negative pause waits nothing; -1 is a name, not a number.
  EXPECT_EQ(waited("*SL(-5)"), Trace{"wait 0"});
  EXPECT_EQ(waited("*SL(-1)"), Trace{"wait 0"});
  // An empty argument never reads the unused row of the delay table.
  EXPECT_EQ(waited("*SL()"), Trace{"wait 0"});
  delays.SetDelayByName("0.5", 0.75);
  EXPECT_EQ(waited("*SL(0.5)"), Trace{"wait 750"});

  RecordingPlatform platform;
  EXPECT_THROW(PlayBuiltInCommand(platform, delays, "*SL(Broken)"), ConversionError);
}

TEST(BuiltInCommands, ChangeWindow) {
  DelaySettings delays;
  delays.form_delay = 0.5;
  RecordingPlatform platform;
  EXPECT_TRUE(PlayBuiltInCommand(platform, delays, "*CW(Orders)"));
  EXPECT_EQ(platform.Trace(), Trace({"activate Orders", "wait 500"}));

  // A window that is not there ends the load: the cells after it are not for
  // the window still in front.
  RecordingPlatform listed;
  listed.UseWindowList({{7, "Invoices", true, false}});
  EXPECT_TRUE(PlayBuiltInCommand(listed, delays, "*CWInv"));
  EXPECT_THROW(PlayBuiltInCommand(listed, delays, "*CW(Orders)"), PlatformError);
  EXPECT_EQ(listed.Trace(), Trace({"activate Invoices", "wait 500"}));
  EXPECT_EQ(listed.GetForegroundWindow(), 7u);
}

TEST(BuiltInCommands, MouseClicks) {
  DelaySettings delays;
  delays.key_hold = 30;
  RecordingPlatform platform;
  EXPECT_TRUE(PlayBuiltInCommand(platform, delays, "*ML(100,200)"));
  EXPECT_TRUE(PlayBuiltInCommand(platform, delays, "*mr(5, 6)"));
  EXPECT_EQ(platform.Trace(),
            Trace({"move 100 200", "button left down", "wait 30", "button left up", "move 5 6",
                   "button right down", "wait 30", "button right up"}));
  ASSERT_TRUE(platform.GetCursorPos());
  EXPECT_EQ(platform.GetCursorPos()->x, 5);

  auto error_of = [&](std::string_view text) -> std::string {
    RecordingPlatform p;
    try {
      PlayBuiltInCommand(p, delays, text);
    } catch (const ConversionError& e) {
      EXPECT_TRUE(p.Trace().empty()) << text;
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(error_of("*ML(abc,200)"), "'abc' is not a valid integer value");
  EXPECT_EQ(error_of("*ML(100,20x)"), "'20x' is not a valid integer value");
  EXPECT_EQ(error_of("*ML(100)"), "'' is not a valid integer value");
  EXPECT_EQ(error_of("*MR(100,200"), "'' is not a valid integer value");
  EXPECT_EQ(error_of("*ML(1)2,3"), "'1)2' is not a valid integer value");
  EXPECT_EQ(error_of("*ML(1,2)3,4"), "no error");
  EXPECT_EQ(error_of("*ML(1,"), "'' is not a valid integer value");
}

TEST(BuiltInCommands, OtherTextsAreNotBuiltIns) {
  DelaySettings delays;
  RecordingPlatform platform;
  EXPECT_FALSE(PlayBuiltInCommand(platform, delays, "*ML100,200"));
  EXPECT_FALSE(PlayBuiltInCommand(platform, delays, "SL(2)"));
  EXPECT_FALSE(PlayBuiltInCommand(platform, delays, ""));
  EXPECT_TRUE(platform.Trace().empty());
}

}  // namespace
}  // namespace typelane
