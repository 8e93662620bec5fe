#include "core/load/Keystrokes.h"

#include <array>
#include <cstddef>

#include "core/common/Numbers.h"
#include "core/load/DelaySettings.h"
#include "core/load/GuardedPlatform.h"
#include "core/load/Platform.h"

namespace typelane {
namespace {

struct KeyName {
  std::string_view name;
  std::uint8_t vk;
};

constexpr std::array<KeyName, 25> kKeyNames = {{
    {"TAB", 0x09},   {"DOWN", 0x28}, {"ENTER", 0x0D},     {"UP", 0x26},     {"LEFT", 0x25},
    {"RIGHT", 0x27}, {"F1", 0x70},   {"F2", 0x71},        {"F3", 0x72},     {"F4", 0x73},
    {"F5", 0x74},    {"F6", 0x75},   {"F7", 0x76},        {"F8", 0x77},     {"F9", 0x78},
    {"F10", 0x79},   {"F11", 0x7A},  {"F12", 0x7B},       {"HOME", 0x24},   {"END", 0x23},
    {"PGDN", 0x22},  {"PGUP", 0x21}, {"BACKSPACE", 0x08}, {"DELETE", 0x2E}, {"ESC", 0x1B},
}};

// The four latches in the order the notation lists them.
enum Latch { kShift, kCtrl, kAlt, kRightAlt, kLatchCount };
constexpr std::array<std::uint8_t, kLatchCount> kLatchKeys = {kVkShift, kVkControl, kVkMenu,
                                                              kVkRMenu};

int LatchOf(char c) {
  switch (c) {
    case '+':
      return kShift;
    case '^':
      return kCtrl;
    case '%':
      return kAlt;
    case '&':
      return kRightAlt;
    default:
      return -1;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// P: the platform class the keys go to (a final class is called directly).
template <typename P>
class KeyPlayer {
 public:
  KeyPlayer(P& platform, const DelaySettings& delays)
      : platform_(platform),
        key_hold_(delays.key_hold < 0 ? 0 : delays.key_hold),
        system_hold_(delays.system_hold < 0 ? 0 : delays.system_hold) {}

  void Press(std::uint8_t vk) {
    platform_.KeyEvent(vk, false);
    platform_.Sleep(key_hold_);
    platform_.KeyEvent(vk, true);
  }

  void ToggleLatch(int latch) {
    auto index = static_cast<size_t>(latch);
    if (!held_[index]) {
      platform_.KeyEvent(kLatchKeys[index], false);
      platform_.Sleep(system_hold_);
      held_[index] = true;
    } else {
      platform_.KeyEvent(kLatchKeys[index], true);
      held_[index] = false;
    }
  }

  void TypeChar(char c) {
    const std::int16_t scan = platform_.VkKeyScan(c);
    const auto vk = static_cast<std::uint8_t>(scan & 0xFF);
    // The high byte is the shift state; -1 (no key) has 0xFF there and so falls
    // through to the base key, which is then 0xFF as well.
    const int shift_state = (static_cast<std::uint16_t>(scan) >> 8) & 0xFF;
    bool temporary_shift = false;
    if (shift_state == 1 && !AnyLatchHeld()) {
      platform_.KeyEvent(kVkShift, false);
      platform_.Sleep(system_hold_);
      temporary_shift = true;
    }
    Press(vk);
    if (temporary_shift) platform_.KeyEvent(kVkShift, true);
  }

  // A stop request ends the text between two keys; the latches are still
  // released.
  bool Stopped() const { return platform_.StopRequested(); }

  void ReleaseLatches() {
    // Alt first and Shift last, as the keys have always been let go.
    for (int latch : {kAlt, kRightAlt, kCtrl, kShift}) {
      auto index = static_cast<size_t>(latch);
      if (held_[index]) {
        platform_.KeyEvent(kLatchKeys[index], true);
        held_[index] = false;
      }
    }
  }

 private:
  bool AnyLatchHeld() const {
    for (bool h : held_) {
      if (h) return true;
    }
    return false;
  }

  P& platform_;
  std::int64_t key_hold_;
  std::int64_t system_hold_;
  std::array<bool, kLatchCount> held_{};
};

template <typename P>
void PlayBraceToken(KeyPlayer<P>& player, std::string_view token) {
  // A trailing number after a blank is a repeat count; without the blank the
  // digits belong to the name, as in "F12".
  std::int64_t count = 1;
  size_t digits_start = token.size();
  while (digits_start > 0 && IsDigit(token[digits_start - 1])) --digits_start;
  if (digits_start < token.size() && digits_start > 0 && token[digits_start - 1] == ' ') {
    const auto value = TryStrToInt(token.substr(digits_start));
    count = value ? *value : 1;
    token = token.substr(0, digits_start - 1);
  }
  if (token.empty()) return;
  const auto named = NamedKey(token);
  for (std::int64_t n = 0; n < count && !player.Stopped(); ++n) {
    if (named) {
      player.Press(*named);
    } else {
      for (char c : token) player.TypeChar(c);
    }
  }
}

template <typename P>
void Type(P& platform, const DelaySettings& delays, std::string_view text) {
  KeyPlayer<P> player(platform, delays);
  size_t i = 0;
  while (i < text.size() && !player.Stopped()) {
    const char c = text[i];
    if (c == '{') {
      const size_t close = text.find('}', i + 1);
      // An unclosed brace swallows the rest of the text.
      if (close == std::string_view::npos) break;
      PlayBraceToken(player, text.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    const int latch = LatchOf(c);
    if (latch >= 0) {
      player.ToggleLatch(latch);
    } else {
      player.TypeChar(c);
    }
    ++i;
  }
  player.ReleaseLatches();
}

}  // namespace

std::optional<std::uint8_t> NamedKey(std::string_view name) {
  for (const auto& key : kKeyNames) {
    if (key.name == name) return key.vk;
  }
  return std::nullopt;
}

void TypeKeystrokes(Platform& platform, const DelaySettings& delays, std::string_view text) {
  Type(platform, delays, text);
}

void TypeKeystrokes(GuardedPlatform& platform, const DelaySettings& delays, std::string_view text) {
  Type(platform, delays, text);
}

}  // namespace typelane
