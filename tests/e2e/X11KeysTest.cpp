// The backend's display-free rules: virtual keys and keysyms, 8-bit text and the
// clipboard encodings.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "core/common/TextEncoding.h"
#include "platform/x11/X11Keys.h"

namespace typelane {
namespace {

TEST(X11Keys, VirtualKeysMapToUsKeysAndBack) {
  EXPECT_EQ(KeysymForVirtualKey('A', XK_Alt_R), static_cast<unsigned long>(XK_a));
  EXPECT_EQ(KeysymForVirtualKey('Z', XK_Alt_R), static_cast<unsigned long>(XK_z));
  EXPECT_EQ(KeysymForVirtualKey('7', XK_Alt_R), static_cast<unsigned long>(XK_7));
  EXPECT_EQ(KeysymForVirtualKey(0x09, XK_Alt_R), static_cast<unsigned long>(XK_Tab));
  EXPECT_EQ(KeysymForVirtualKey(0x0D, XK_Alt_R), static_cast<unsigned long>(XK_Return));
  EXPECT_EQ(KeysymForVirtualKey(0x1B, XK_Alt_R), static_cast<unsigned long>(XK_Escape));
  EXPECT_EQ(KeysymForVirtualKey(0x2E, XK_Alt_R), static_cast<unsigned long>(XK_Delete));
  EXPECT_EQ(KeysymForVirtualKey(0x70, XK_Alt_R), static_cast<unsigned long>(XK_F1));
  EXPECT_EQ(KeysymForVirtualKey(0x7B, XK_Alt_R), static_cast<unsigned long>(XK_F12));
  EXPECT_EQ(KeysymForVirtualKey(0x10, XK_Alt_R), static_cast<unsigned long>(XK_Shift_L));
  EXPECT_EQ(KeysymForVirtualKey(0x11, XK_Alt_R), static_cast<unsigned long>(XK_Control_L));
  EXPECT_EQ(KeysymForVirtualKey(0x12, XK_Alt_R), static_cast<unsigned long>(XK_Alt_L));
  // Right Alt is whatever the layout has for it.
  EXPECT_EQ(KeysymForVirtualKey(0xA5, XK_ISO_Level3_Shift),
            static_cast<unsigned long>(XK_ISO_Level3_Shift));
  EXPECT_EQ(KeysymForVirtualKey(0xA5, XK_Alt_R), static_cast<unsigned long>(XK_Alt_R));
  // The US punctuation positions.
  EXPECT_EQ(KeysymForVirtualKey(0xBA, XK_Alt_R), static_cast<unsigned long>(XK_semicolon));
  EXPECT_EQ(KeysymForVirtualKey(0xBF, XK_Alt_R), static_cast<unsigned long>(XK_slash));
  EXPECT_EQ(KeysymForVirtualKey(0xC0, XK_Alt_R), static_cast<unsigned long>(XK_grave));
  EXPECT_EQ(KeysymForVirtualKey(0xDC, XK_Alt_R), static_cast<unsigned long>(XK_backslash));
  EXPECT_EQ(KeysymForVirtualKey(0xDE, XK_Alt_R), static_cast<unsigned long>(XK_apostrophe));
  // "No key" and unused codes send nothing.
  EXPECT_EQ(KeysymForVirtualKey(0xFF, XK_Alt_R), 0ul);
  EXPECT_EQ(KeysymForVirtualKey(0x07, XK_Alt_R), 0ul);

  // Back again, for every key we send.
  for (int vk = 1; vk < 0xFF; ++vk) {
    unsigned long sym = KeysymForVirtualKey(static_cast<std::uint8_t>(vk), XK_Alt_R);
    if (sym == 0) continue;
    std::uint8_t back = VirtualKeyForKeysym(sym);
    // Left and right modifiers share keysyms with their generic codes.
    unsigned long again = KeysymForVirtualKey(back, XK_Alt_R);
    EXPECT_EQ(again, sym) << "virtual key " << vk;
  }
  EXPECT_EQ(VirtualKeyForKeysym(XK_A), 'A');
  EXPECT_EQ(VirtualKeyForKeysym(XK_udiaeresis), 0);
}

TEST(X11Keys, BytesAreWindows1252Characters) {
  EXPECT_EQ(KeysymForByte('a'), static_cast<unsigned long>(XK_a));
  EXPECT_EQ(KeysymForByte('('), static_cast<unsigned long>(XK_parenleft));
  EXPECT_EQ(KeysymForByte(' '), static_cast<unsigned long>(XK_space));
  EXPECT_EQ(KeysymForByte(0xE9), static_cast<unsigned long>(XK_eacute));
  EXPECT_EQ(KeysymForByte(0xFF), static_cast<unsigned long>(XK_ydiaeresis));
  EXPECT_EQ(KeysymForByte(0x80), static_cast<unsigned long>(XK_EuroSign));
  EXPECT_EQ(KeysymForByte(0x9C), 0x13BDul);     // oe
  EXPECT_EQ(KeysymForByte(0x8B), 0x1002039ul);  // no legacy keysym: the Unicode one
  EXPECT_EQ(KeysymForByte(0x81), 0ul);          // undefined in 1252
  EXPECT_EQ(KeysymForByte('\t'), 0ul);
  EXPECT_EQ(KeysymForByte(0x7F), 0ul);
}

TEST(X11Keys, ClipboardTextKeepsEveryCharacter) {
  // UTF-8 goes out unchanged, byte for byte.
  EXPECT_EQ(DecodeText("M\xC3\xBCller \xE2\x82\xAC"), "M\xC3\xBCller \xE2\x82\xAC");
  // Anything else is Windows-1252.
  EXPECT_EQ(DecodeText("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(DecodeText("\x80 \x93x\x94"), "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D");
  EXPECT_EQ(DecodeText("\x81"), "\xC2\x81");
  std::string nul("a\0b", 3);
  EXPECT_EQ(DecodeText(nul), nul);

  // STRING is Latin-1: what it lacks becomes '?'.
  EXPECT_EQ(TextAsLatin1("M\xC3\xBCller"), "M\xFCller");
  EXPECT_EQ(TextAsLatin1("\xE2\x82\xAC"
                         "5"),
            "?5");
  EXPECT_EQ(TextAsLatin1("\xF0\x9F\x98\x80!"), "?!");
  EXPECT_EQ(TextAsLatin1("\xE9t\xE9"), "\xE9t\xE9");
  EXPECT_EQ(TextAsLatin1("\x80"), "?");

  EXPECT_EQ(Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
}

}  // namespace
}  // namespace typelane
