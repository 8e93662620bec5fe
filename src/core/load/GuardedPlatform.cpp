#include "core/load/GuardedPlatform.h"

#include <algorithm>

namespace typelane {

GuardedPlatform::~GuardedPlatform() { ReleaseHeldInput(); }

void GuardedPlatform::ReleaseHeldInput() noexcept {
  // Each release is tried on its own: one that fails must not keep the others
  // held down.
  while (!held_keys_.empty()) {
    const std::uint8_t vk = held_keys_.back();
    held_keys_.pop_back();
    try {
      desktop_.KeyEvent(vk, true);
    } catch (...) {
    }
  }
  while (!held_buttons_.empty()) {
    const HeldButton held = held_buttons_.back();
    held_buttons_.pop_back();
    try {
      desktop_.MouseButtonEvent(held.button, true, held.x, held.y);
    } catch (...) {
    }
  }
}

WindowHandle GuardedPlatform::FindWindowByTitle(std::string_view title) {
  found_ = desktop_.FindWindowByTitle(title);
  found_title_ = std::string(title);
  return found_;
}

bool GuardedPlatform::ActivateWindow(WindowHandle window) {
  if (Dropped()) return false;
  const bool activated = desktop_.ActivateWindow(window);
  // The load goes on into this window even when the desktop could not confirm
  // the focus, so it is the one whose going away ends the load.
  target_ = window;
  target_title_ = window == found_ ? found_title_ : std::string();
  return activated;
}

void GuardedPlatform::SetForegroundWindow(WindowHandle window) {
  if (StopRequested()) return;
  desktop_.SetForegroundWindow(window);
}

void GuardedPlatform::KeyEvent(std::uint8_t virtual_key, bool key_up) {
  if (!key_up) {
    if (Dropped()) return;
    // Counted before it goes out: a press that failed half-way still gets its
    // release, which costs nothing if the key never went down.
    held_keys_.push_back(virtual_key);
    desktop_.KeyEvent(virtual_key, false);
    return;
  }
  if (!held_keys_.empty() && held_keys_.back() == virtual_key) {
    held_keys_.pop_back();  // the common case: the key pressed last
    desktop_.KeyEvent(virtual_key, true);
    return;
  }
  auto it = std::find(held_keys_.rbegin(), held_keys_.rend(), virtual_key);
  if (it != held_keys_.rend()) {
    held_keys_.erase(std::next(it).base());
  } else if (StopRequested()) {
    return;  // not ours to release, and nothing new goes out
  }
  desktop_.KeyEvent(virtual_key, true);
}

void GuardedPlatform::SetCursorPos(int x, int y) {
  if (Dropped()) return;
  desktop_.SetCursorPos(x, y);
}

void GuardedPlatform::MouseButtonEvent(MouseButton button, bool up, int x, int y) {
  if (!up) {
    if (Dropped()) return;
    held_buttons_.push_back(HeldButton{button, x, y});
    desktop_.MouseButtonEvent(button, false, x, y);
    return;
  }
  auto it = std::find_if(held_buttons_.rbegin(), held_buttons_.rend(),
                         [&](const HeldButton& held) { return held.button == button; });
  if (it != held_buttons_.rend()) {
    held_buttons_.erase(std::next(it).base());
  } else if (StopRequested()) {
    return;
  }
  desktop_.MouseButtonEvent(button, true, x, y);
}

void GuardedPlatform::SetClipboardText(std::string_view text) {
  if (Dropped()) return;
  desktop_.SetClipboardText(text);
}

bool GuardedPlatform::WaitForPaste(std::int64_t wait_ms) {
  if (StopRequested()) return false;
  return desktop_.WaitForPaste(wait_ms);
}

void GuardedPlatform::Sleep(std::int64_t ms) {
  if (StopRequested()) return;
  desktop_.Sleep(ms);
}

void GuardedPlatform::SleepUnlessEscape(std::int64_t ms) {
  if (StopRequested()) return;
  desktop_.SleepUnlessEscape(ms);
}

}  // namespace typelane
