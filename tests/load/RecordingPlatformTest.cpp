#include <gtest/gtest.h>

#include <sstream>

#include "core/common/Errors.h"
#include "core/load/DelaySettings.h"
#include "core/load/Keystrokes.h"
#include "platform/recording/RecordingPlatform.h"
#include "platform/recording/StreamTraceSink.h"

namespace typelane {
namespace {

TEST(RecordingPlatform, UsEnglishLayoutAsVkKeyScanAReportsIt) {
  auto scan = [](char c) { return static_cast<int>(RecordingPlatform::UsVkKeyScan(c)); };
  EXPECT_EQ(scan('a'), 0x41);
  EXPECT_EQ(scan('z'), 0x5A);
  EXPECT_EQ(scan('A'), 0x141);
  EXPECT_EQ(scan('Z'), 0x15A);
  EXPECT_EQ(scan('0'), 0x30);
  EXPECT_EQ(scan('9'), 0x39);
  EXPECT_EQ(scan(' '), 0x20);
  const std::pair<char, int> punctuation[] = {
      {';', 0xBA},  {':', 0x1BA}, {'/', 0xBF},  {'?', 0x1BF}, {'`', 0xC0},  {'~', 0x1C0},
      {'[', 0xDB},  {'{', 0x1DB}, {'\\', 0xDC}, {'|', 0x1DC}, {']', 0xDD},  {'}', 0x1DD},
      {'\'', 0xDE}, {'"', 0x1DE}, {',', 0xBC},  {'<', 0x1BC}, {'.', 0xBE},  {'>', 0x1BE},
      {'-', 0xBD},  {'_', 0x1BD}, {'=', 0xBB},  {'+', 0x1BB}, {'!', 0x131}, {'@', 0x132},
      {'#', 0x133}, {'$', 0x134}, {'%', 0x135}, {'^', 0x136}, {'&', 0x137}, {'*', 0x138},
      {'(', 0x139}, {')', 0x130},
  };
  for (const auto& [c, vk] : punctuation) EXPECT_EQ(scan(c), vk) << c;
  EXPECT_EQ(scan('\t'), 0x09);
  EXPECT_EQ(scan('\r'), 0x0D);
  EXPECT_EQ(scan('\n'), 0x20D);
  EXPECT_EQ(scan('\b'), 0x08);
  EXPECT_EQ(scan('\x01'), 0x241);
  EXPECT_EQ(scan('\x1A'), 0x25A);
  EXPECT_EQ(scan('\x1B'), 0x2DB);
  EXPECT_EQ(scan('\x7F'), 0x208);
  EXPECT_EQ(scan('\x80'), -1);
  EXPECT_EQ(scan('\xE9'), -1);
  EXPECT_EQ(scan('\xFF'), -1);
}

// The trace is kept for the tests, or streamed through a sink in exactly the
// same lines and then not kept at all: a dry run of any length must run in the
// same memory.
TEST(RecordingPlatform, TraceLinesKeptOrStreamed) {
  auto act = [](RecordingPlatform& platform) {
    platform.KeyEvent(0x0D, false);
    platform.KeyEvent(0xA5, true);
    platform.Sleep(0);
    platform.Sleep(120);
    platform.SetClipboardText("a\tb\r\nc\\d");
    platform.SetCursorPos(-3, 40);
    platform.MouseButtonEvent(MouseButton::kRight, true, -3, 40);
    platform.SetForegroundWindow(9);
  };
  RecordingPlatform platform;
  act(platform);
  const std::vector<std::string> expected = {
      "down 0D",    "up A5",           "wait 0",    "wait 120", "clip a\\tb\\r\\nc\\\\d",
      "move -3 40", "button right up", "foreground"};
  EXPECT_EQ(platform.Trace(), expected);
  EXPECT_EQ(platform.ClipboardText(), "a\tb\r\nc\\d");
  EXPECT_EQ(platform.NowMs(), 120);
  EXPECT_EQ(platform.GetForegroundWindow(), 9u);

  RecordingPlatform streamed;
  std::ostringstream out;
  StreamTraceSink sink(out);
  streamed.SetTraceSink(&sink);
  act(streamed);
  EXPECT_EQ(out.str(),
            "down 0D\nup A5\nwait 0\nwait 120\nclip a\\tb\\r\\nc\\\\d\nmove -3 40\n"
            "button right up\nforeground\n");
  EXPECT_TRUE(streamed.Trace().empty());

  // A million key events reach the sink one by one and stay nowhere else.
  struct CountingSink : TraceSink {
    void Line(std::string_view line) override {
      ++lines;
      last = std::string(line);
    }
    long lines = 0;
    std::string last;
  } counting;
  RecordingPlatform long_run;
  long_run.SetTraceSink(&counting);
  DelaySettings delays;
  TypeKeystrokes(long_run, delays, "{TAB 350000}");
  EXPECT_EQ(counting.lines, 3 * 350000);
  EXPECT_EQ(counting.last, "up 09");
  EXPECT_TRUE(long_run.Trace().empty());
  EXPECT_EQ(long_run.NowMs(), 350000 * 50);
}

TEST(RecordingPlatform, EveryTitleIsFoundUnlessAListIsScripted) {
  RecordingPlatform platform;
  const WindowHandle orders = platform.FindWindowByTitle("Orders");
  EXPECT_NE(orders, 0u);
  EXPECT_EQ(platform.FindWindowByTitle("Orders"), orders);
  EXPECT_NE(platform.FindWindowByTitle("Invoices"), orders);
  EXPECT_TRUE(ActivateWindowByTitle(platform, "Orders"));
  EXPECT_EQ(platform.GetForegroundWindow(), orders);
  EXPECT_EQ(platform.Trace(), std::vector<std::string>{"activate Orders"});
  EXPECT_EQ(platform.ListWindows().size(), 2u);

  RecordingPlatform listed;
  listed.UseWindowList({{4, "Orders - Entry  ", true, false}, {5, "Orders", true, false}});
  EXPECT_TRUE(ActivateWindowByTitle(listed, "orders"));
  EXPECT_EQ(listed.GetForegroundWindow(), 5u);
  EXPECT_TRUE(ActivateWindowByTitle(listed, "order"));
  EXPECT_EQ(listed.GetForegroundWindow(), 4u);
  EXPECT_FALSE(ActivateWindowByTitle(listed, "Invoices"));
  EXPECT_EQ(listed.Trace(),
            (std::vector<std::string>{"activate Orders", "activate Orders - Entry  "}));
}

TEST(RecordingPlatform, ScriptedHourglassEscAndClipboard) {
  RecordingPlatform platform;
  platform.SetHourglassSequence({true, false, true});
  EXPECT_TRUE(platform.IsHourglassShowing());
  EXPECT_FALSE(platform.IsHourglassShowing());
  EXPECT_TRUE(platform.IsHourglassShowing());
  EXPECT_FALSE(platform.IsHourglassShowing());
  EXPECT_EQ(platform.HourglassChecks(), 4);

  platform.PressEscAtCheck(3);
  platform.BeginEscapeWatch();
  EXPECT_FALSE(platform.EscapePressed());
  EXPECT_FALSE(platform.EscapePressed());
  EXPECT_TRUE(platform.EscapePressed());
  EXPECT_TRUE(platform.EscapePressed());

  platform.FailClipboardFrom(2);
  platform.SetClipboardText("one");
  EXPECT_THROW(platform.SetClipboardText("two"), PlatformError);
  EXPECT_EQ(platform.ClipboardText(), "one");
  EXPECT_EQ(platform.Trace(), std::vector<std::string>{"clip one"});
}

}  // namespace
}  // namespace typelane
