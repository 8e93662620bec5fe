#include "core/load/HeldKeys.h"

#include <cstdint>

#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"

namespace typelane {
namespace {

constexpr std::int64_t kPollMs = 50;

}  // namespace

KeyWait WaitForReleasedModifiers(Platform& platform, LoadObserver* observer) {
  unsigned held = platform.HeldModifiers();
  if (held == 0) return KeyWait::kReleased;
  unsigned told = 0;
  KeyWait result = KeyWait::kReleased;
  while (held != 0) {
    if (platform.StopRequested()) {
      result = KeyWait::kStopped;
      break;
    }
    if (platform.EscapePressed()) {
      result = KeyWait::kEscape;
      break;
    }
    platform.Sleep(kPollMs);
    held = platform.HeldModifiers();
    if (held != 0 && held != told && observer) observer->WaitingForKeys(held);
    if (held != 0) told = held;
  }
  if (told != 0 && observer) observer->KeysReleased();
  return result;
}

}  // namespace typelane
