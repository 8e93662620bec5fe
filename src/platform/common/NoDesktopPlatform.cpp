#include "platform/common/NoDesktopPlatform.h"

#include <chrono>
#include <thread>

#include "core/common/Errors.h"

namespace typelane {

NoDesktopPlatform::NoDesktopPlatform(std::string reason)
    : message_("Typelane cannot drive this desktop: " + std::move(reason)) {}

void NoDesktopPlatform::Refuse() const { throw PlatformError(message_); }

// The load looks for its target first: that is where it learns why it cannot
// go, rather than "The specified Window does not exist."
WindowHandle NoDesktopPlatform::FindWindowByTitle(std::string_view /*title*/) { Refuse(); }
bool NoDesktopPlatform::ActivateWindow(WindowHandle /*window*/) { Refuse(); }
void NoDesktopPlatform::KeyEvent(std::uint8_t /*virtual_key*/, bool /*key_up*/) { Refuse(); }
void NoDesktopPlatform::SetCursorPos(int /*x*/, int /*y*/) { Refuse(); }
void NoDesktopPlatform::MouseButtonEvent(MouseButton /*button*/, bool /*up*/, int /*x*/,
                                         int /*y*/) {
  Refuse();
}
void NoDesktopPlatform::BeginEscapeWatch() { Refuse(); }
void NoDesktopPlatform::SetClipboardText(std::string_view /*text*/) { Refuse(); }

void NoDesktopPlatform::Sleep(std::int64_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms > 0 ? ms : 0));
}

std::int64_t NoDesktopPlatform::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace typelane
