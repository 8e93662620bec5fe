#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace typelane {

class DelaySettings;
class GuardedPlatform;
class Platform;

// Virtual keys the notation latches.
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkControl = 0x11;
inline constexpr std::uint8_t kVkMenu = 0x12;   // Alt
inline constexpr std::uint8_t kVkRMenu = 0xA5;  // right Alt

// The virtual key of a brace name ("TAB", "F12", "PGDN", ...). Names are upper
// case and compared exactly: "tab" is no key name.
std::optional<std::uint8_t> NamedKey(std::string_view name);

// Plays a keystroke text into whatever window has the focus.
//
// Plain characters are typed with the key the layout gives them (with a
// temporary Shift when the layout needs Shift alone and no latch is held).
// "{NAME}" presses a named key, "{NAME n}" presses it n times, and any other
// brace text is typed character by character, so "{+}" types a plus sign.
// "+", "^", "%" and "&" latch Shift, Ctrl, Alt and right Alt until the same
// character comes again; held latches are released at the end of the text.
// An unclosed brace swallows the rest of the text. Nothing here is an error.
//
// Every key press is held for KeyHold ms and every latch press is followed by
// SystemHold ms; all waits go through Platform::Sleep, negative ones as 0.
void TypeKeystrokes(Platform& platform, const DelaySettings& delays, std::string_view text);
// The same, for a load's guard layer: called directly, as a load types a key
// text for every cell it pastes.
void TypeKeystrokes(GuardedPlatform& platform, const DelaySettings& delays, std::string_view text);

}  // namespace typelane
