// A dry run's trace told as steps a person reads (Preview Load and
// typelane-cli send --dry-run --readable).

#include <gtest/gtest.h>

#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/ReadableTrace.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane {
namespace {

using testing::Trace;

TEST(ReadableTrace, ALoadToldStepByStepWithItsTotal) {
  RecordingPlatform desktop;
  ReadableTrace steps;
  desktop.SetTraceSink(&steps);
  // Data with Auto Tab, a command, keystrokes with latches, a pause and a
  // click, over two rows.
  Sheet sheet = testing::SheetOf(
      {{"Acme\tLtd", "NEXT", "\\^s{F5}%", "*SL(1)", "*ML(10,20)"}, {"&no tab", "\\+ab"}});
  SendRequest request;
  request.window_title = "Orders";
  request.group = "GA";
  request.auto_tab = true;
  const SendResult result =
      SendData(desktop, sheet, testing::TestCommands(), testing::TestDelays(), request);
  ASSERT_TRUE(result.completed) << result.message;
  EXPECT_EQ(steps.Steps(), Trace({
                               "Activate window \"Orders\"",
                               "Wait 300 ms",
                               "Paste \"Acme\u2409Ltd\"  (12 ms)",
                               "Wait 3 ms",
                               "Keys Tab  (5 ms)",
                               "Wait 261 ms",
                               "Keys Down  (5 ms)",
                               "Wait 350 ms",
                               "Keys Ctrl+S, Ctrl+F5, Ctrl+Alt  (24 ms)",
                               "Wait 1500 ms",
                               "Left click at 10, 20  (5 ms)",
                               "Wait 250 ms",
                               "Paste \"no tab\"  (12 ms)",
                               "Wait 253 ms",
                               "Keys Shift+A, Shift+B  (17 ms)",
                               "Wait 350 ms",
                               "Bring back the window that was in front",
                           }));
  // Every figure shown adds up to the load's time.
  EXPECT_EQ(steps.TotalMs(), desktop.SleptMs());
  std::int64_t shown = 0;
  for (const std::string& step : steps.Steps()) {
    const size_t ms = step.rfind(" ms");
    if (ms == std::string::npos) continue;
    const size_t from = step.find_last_of(" (", ms - 1) + 1;
    shown += std::stoll(step.substr(from, ms - from));
  }
  EXPECT_EQ(shown, steps.TotalMs());

  EXPECT_EQ(ReadableTrace::KeyName(0x09), "Tab");
  EXPECT_EQ(ReadableTrace::KeyName(0x7B), "F12");
  EXPECT_EQ(ReadableTrace::KeyName(0xBA), ";");
  EXPECT_EQ(ReadableTrace::KeyName(0xE9), "key E9");
}

TEST(ReadableTrace, WhatACutShortLoadLeaves) {
  // A clipboard text never pasted and a pointer moved without a click are
  // still told; lines it does not know are kept as they are.
  ReadableTrace steps;
  for (const char* line : {"clip left over", "move 3 4", "down 11", "wait 2", "up 11", "beep"}) {
    steps.Line(line);
  }
  EXPECT_EQ(steps.Steps(), Trace({"Clipboard \"left over\"", "Move the pointer to 3, 4",
                                  "Keys Ctrl  (2 ms)", "beep"}));
}

}  // namespace
}  // namespace typelane
