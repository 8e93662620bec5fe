#pragma once

#include "core/load/LoadJournal.h"
#include "core/load/SendData.h"
#include "load/LoadTestSupport.h"
#include "platform/recording/RecordingPlatform.h"

namespace typelane::testing {

// A load of a sheet into the window "Orders" over a recording desktop, with
// the test command table and delays. What the load reports goes to `observer`
// unless a test takes it away; a journal hears of rows only when one is given.
template <class Desktop = RecordingPlatform>
struct SendFixture {
  Desktop platform;
  Sheet sheet;
  CommandTable commands = TestCommands();
  DelaySettings delays = TestDelays();
  RecordingObserver observer;
  SendRequest request;
  LoadObserver* listener = &observer;
  LoadJournal* rows_journal = nullptr;

  SendFixture() { request.window_title = "Orders"; }
  SendResult Send() {
    return SendData(platform, sheet, commands, delays, request, listener, rows_journal);
  }
};

}  // namespace typelane::testing
