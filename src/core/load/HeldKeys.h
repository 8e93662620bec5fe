#pragma once

namespace typelane {

class LoadObserver;
class Platform;

enum class KeyWait { kReleased, kEscape, kStopped };

// Waits while the user holds Ctrl, Shift or Alt on a real keyboard, checking
// every 50 ms, so that none of them joins the keys the load sends. Esc (after
// BeginEscapeWatch) and a stop request end the wait. The observer hears of a
// wait only when the keys are still down at the second look: a key let go a
// moment ago is not worth a message.
KeyWait WaitForReleasedModifiers(Platform& platform, LoadObserver* observer);

}  // namespace typelane
