// How loads end: a stop request (quit, a signal), a failure half-way through a
// key combination, and a target window that goes away. Whatever the way out,
// no key or button the load pressed may stay down.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>

#include "core/load/GuardedPlatform.h"
#include "core/load/Keystrokes.h"
#include "core/load/LoadDriver.h"
#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingPlatform.h"
#include "support/SendFixture.h"

namespace typelane {
namespace {

using testing::Trace;

// A recording desktop that runs a script step after its nth key event, button
// event or clipboard text.
class ScriptedDesktop : public RecordingPlatform {
 public:
  std::map<int, std::function<void()>> after_key, after_button, after_clip;
  bool escape_watchable = true;

  void KeyEvent(std::uint8_t vk, bool up) override {
    RecordingPlatform::KeyEvent(vk, up);
    Run(after_key, ++keys_);
  }
  void MouseButtonEvent(MouseButton button, bool up, int x, int y) override {
    RecordingPlatform::MouseButtonEvent(button, up, x, y);
    Run(after_button, ++buttons_);
  }
  void SetClipboardText(std::string_view text) override {
    RecordingPlatform::SetClipboardText(text);
    Run(after_clip, ++clips_);
  }
  bool CanWatchEscape() const override { return escape_watchable; }

 private:
  static void Run(std::map<int, std::function<void()>>& steps, int n) {
    auto it = steps.find(n);
    if (it != steps.end()) it->second();
  }
  int keys_ = 0, buttons_ = 0, clips_ = 0;
};

// Keys and buttons still down at the end of a trace.
std::vector<std::string> HeldAtEnd(const Trace& trace) {
  std::map<std::string, int> down;
  for (const auto& line : trace) {
    if (line.rfind("down ", 0) == 0) ++down[line.substr(5)];
    if (line.rfind("up ", 0) == 0) --down[line.substr(3)];
    if (line.rfind("button ", 0) == 0) {
      const bool up = line.ends_with(" up");
      const std::string which = line.substr(0, line.rfind(' '));
      down[which] += up ? -1 : 1;
    }
  }
  std::vector<std::string> held;
  for (const auto& [key, n] : down) {
    if (n > 0) held.push_back(key);
  }
  return held;
}

// The load hears of no observer here.
struct Fixture : testing::SendFixture<ScriptedDesktop> {
  Fixture() { listener = nullptr; }
};

TEST(LoadEndings, AStopRequestEndsTheLoadBetweenTwoKeysAndLetsGoOfThem) {
  // Ctrl and Shift latched, then "a" pressed: the stop comes while "a" is down.
  Fixture f;
  f.sheet = testing::SheetOf({{"x", "\\^+abc", "y"}, {"z"}});
  f.platform.after_key[7] = [&] { f.platform.RequestStop(); };
  const SendResult result = f.Send();
  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.rows, 0);
  EXPECT_EQ(result.message.substr(0, result.message.find('\r')),
            "Data loading terminated at user request:");
  const Trace& trace = f.platform.Trace();
  // After the stop: the pressed key and both latches go up, and nothing else
  // goes out (no further key, paste, wait or window change).
  const Trace tail(trace.end() - 3, trace.end());
  EXPECT_EQ(tail, Trace({"up 41", "up 11", "up 10"}));
  EXPECT_EQ(trace[trace.size() - 4], "down 41");
  EXPECT_TRUE(HeldAtEnd(trace).empty());
  EXPECT_EQ(f.platform.ClipboardText(), "x");

  // A stop while a mouse button is held: the button comes up, the load ends.
  Fixture click;
  click.sheet = testing::SheetOf({{"*ML(3,4)", "after"}});
  click.platform.after_button[1] = [&] { click.platform.RequestStop(); };
  EXPECT_TRUE(click.Send().stopped);
  EXPECT_EQ(click.platform.Trace().back(), "button left up");
  EXPECT_EQ(click.platform.ClipboardText(), "");

  // A long repeat ends at once too, with nothing held.
  Fixture repeat;
  repeat.platform.after_key[3] = [&] { repeat.platform.RequestStop(); };
  GuardedPlatform guard(repeat.platform);
  TypeKeystrokes(guard, repeat.delays, "+{TAB 2147483647}");
  EXPECT_EQ(repeat.platform.Trace(),
            Trace({"down 10", "wait 7", "down 09", "wait 5", "up 09", "up 10"}));
}

TEST(LoadEndings, AFailureInsideAKeyCombinationReleasesItAndIsReported) {
  // The desktop fails while Ctrl and Alt are down: any error, not only the
  // load's own kinds, becomes the load's message.
  Fixture f;
  f.sheet = testing::SheetOf({{"\\^%{F4}", "next"}});
  f.platform.after_key[3] = [] { throw std::runtime_error("The X server went away"); };
  SendResult result;
  EXPECT_NO_THROW(result = f.Send());
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(result.message, "The X server went away\rThe load stopped at row 1, cell 1.");
  EXPECT_TRUE(HeldAtEnd(f.platform.Trace()).empty())
      << ::testing::PrintToString(f.platform.Trace());
  EXPECT_EQ(f.platform.Trace().back(), "foreground");

  // The same through the loop alone, with the mouse.
  Fixture click;
  click.sheet = testing::SheetOf({{"*MR(1,2)"}});
  click.platform.after_button[1] = [] { throw std::runtime_error("lost"); };
  LoadDriver driver(LoadContext{click.platform, click.sheet, click.commands, click.delays, "GA",
                                false, false, nullptr, 0, ""});
  EXPECT_THROW(driver.LoadRange(1, 1, 1, 1), std::runtime_error);
  EXPECT_EQ(click.platform.Trace().back(), "button right up");
}

TEST(LoadEndings, TheTargetWindowGoingAwayStopsTheLoadBeforeTheNextCell) {
  const WindowInfo orders{5, "Orders", true, false};
  const WindowInfo other{6, "Other Program", true, false};
  const WindowInfo dialog{7, "Orders - Find Customer", true, false};

  Fixture f;
  f.platform.UseWindowList({orders, other});
  f.sheet = testing::SheetOf({{"a", "\\{ENTER}"}, {"b", "\\{ENTER}"}, {"c", "\\{ENTER}"}});
  // The target opens a dialog of its own (in front) while row 1 is typed:
  // that is no reason to stop. Then the target closes during row 2.
  f.platform.after_clip[1] = [&] { f.platform.UseWindowList({dialog, orders, other}); };
  f.platform.after_clip[2] = [&] { f.platform.UseWindowList({other}); };
  const SendResult result = f.Send();
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.rows, 1);
  EXPECT_EQ(result.title, "Typelane Error");
  EXPECT_EQ(result.message,
            "The window \"Orders\" no longer exists: the load stopped in row 2 after cell 1.");
  // Row 2's Enter never went out to whatever came to the front.
  const Trace& trace = f.platform.Trace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "down 0D"), 1);
  EXPECT_EQ(f.platform.ClipboardText(), "b");

  // After "*CW" the window changed to is the one that counts.
  Fixture cw;
  cw.platform.UseWindowList({orders, other});
  cw.sheet = testing::SheetOf({{"a", "*CW(other)", "b", "c"}, {"d"}});
  cw.platform.after_clip[1] = [&] { cw.platform.UseWindowList({other, orders}); };
  cw.platform.after_clip[2] = [&] { cw.platform.UseWindowList({orders}); };
  const SendResult switched = cw.Send();
  EXPECT_EQ(switched.message,
            "The window \"other\" no longer exists: the load stopped in row 1 after cell 3.");
  EXPECT_EQ(cw.platform.ClipboardText(), "b");

  // Closing the window the load switched away from changes nothing.
  Fixture away;
  away.platform.UseWindowList({orders, other});
  away.sheet = testing::SheetOf({{"*CW(Other Program)", "a"}, {"b"}});
  away.platform.after_clip[1] = [&] { away.platform.UseWindowList({other}); };
  EXPECT_TRUE(away.Send().completed);
  EXPECT_EQ(away.platform.ClipboardText(), "b");
}

TEST(LoadEndings, TheLoadPlaysItsOwnCopyOfTheDocument) {
  Fixture f;
  f.sheet = testing::SheetOf({{"a", "next", "z"}, {"b", "next", "z"}});
  f.request.all_cells = false;
  f.request.selection = CellRect{1, 1, 2, 2};
  f.request.group = "GA";
  const LoadJob job = PrepareLoad(f.sheet, f.commands, f.delays, f.request);
  // Edits made while the load runs do not reach it.
  f.sheet.SetCell(2, 1, "edited");
  f.commands.SetCell(1, 2, "\\{UP}");
  f.delays.cell_delay = 9;
  // The copy holds the range and nothing else.
  EXPECT_EQ(job.cells.Cell(2, 1), "b");
  EXPECT_EQ(job.cells.Cell(1, 3), "");
  const SendResult result = RunLoad(f.platform, job);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.rows, 2);
  const Trace& trace = f.platform.Trace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "down 28"), 2);  // {DOWN}, as it was
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "wait 200"), 2);
  EXPECT_EQ(f.platform.ClipboardText(), "b");
}

TEST(LoadEndings, EscThatCannotBeWatchedIsSaidBeforeTheLoad) {
  ScriptedDesktop desktop;
  EXPECT_EQ(EscapeWarning(desktop), "");
  desktop.escape_watchable = false;
  GuardedPlatform guard(desktop);
  EXPECT_NE(EscapeWarning(guard).find("Esc cannot stop this load"), std::string::npos);
}

}  // namespace
}  // namespace typelane
