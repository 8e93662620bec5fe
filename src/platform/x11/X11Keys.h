#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Plain translations between the load's Windows virtual-key codes, 8-bit text and
// X keysyms. No X connection is needed, so these rules are tested on their own.

namespace typelane {

// The keysym a virtual key stands for on a US keyboard; 0 when the code names no
// key we send (0xFF, "no key", among them). Letters give the lower-case keysym.
// `right_alt_keysym` is what 0xA5 becomes: ISO_Level3_Shift where the layout has
// it, Alt_R otherwise.
unsigned long KeysymForVirtualKey(std::uint8_t virtual_key, unsigned long right_alt_keysym);

// The virtual key whose US key shows this keysym unshifted (or the letter's
// capital); 0 when no virtual key does.
std::uint8_t VirtualKeyForKeysym(unsigned long keysym);

// The keysym of one byte of text read as Windows-1252 (the program's 8-bit
// text); 0 for control bytes and the five bytes 1252 leaves undefined.
unsigned long KeysymForByte(unsigned char byte);

// A control character as Windows' VkKeyScan answers it, whatever the layout:
// Tab, Enter (CR; LF is Ctrl+Enter), Backspace (DEL is Ctrl+Backspace), Esc,
// or Ctrl with a letter: the virtual key with the shift state in the high
// byte (2 = Ctrl). 0 for any other byte.
std::int16_t ControlCharKeyScan(unsigned char byte);

// Text as STRING (ISO Latin-1): every character Latin-1 lacks becomes '?'.
std::string TextAsLatin1(std::string_view bytes);

// Latin-1 (an old WM_NAME) as UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

}  // namespace typelane
