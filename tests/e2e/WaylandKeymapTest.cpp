// The Wayland backend's keymap, without a compositor: what a client typed into
// gets from each key of a load, read back through xkbcommon from the keymap
// text the virtual keyboard uploads.

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/common/TextEncoding.h"
#include "platform/wayland/WaylandKeymap.h"

namespace typelane {
namespace {

// A layout's keymap as a compositor hands it out.
std::string LayoutText(const char* layout) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_rule_names names{};
  names.layout = layout;
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  std::string text;
  if (keymap) {
    char* s = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    text = s;
    std::free(s);
    xkb_keymap_unref(keymap);
  }
  xkb_context_unref(context);
  return text;
}

// What a client shows for the key VkKeyScan gives for byte, with the shift
// state it asks for held: the keymap is read back from its text, as a client
// reads the one the compositor passes on.
std::string Typed(WaylandKeymap& map, char byte) {
  const std::int16_t scan = map.VkKeyScan(byte);
  if (scan == -1) return "<none>";
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = xkb_keymap_new_from_string(
      context, map.Text().c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  std::string out = "<bad keymap>";
  if (keymap) {
    xkb_state* state = xkb_state_new(keymap);
    const int shift = scan >> 8;
    if (shift & 1) xkb_state_update_key(state, map.KeycodeForVk(0x10), XKB_KEY_DOWN);
    // Ctrl+Alt in the high byte is AltGr, the right Alt key.
    if ((shift & 6) == 6) xkb_state_update_key(state, map.KeycodeForVk(0xA5), XKB_KEY_DOWN);
    char utf8[16] = {};
    xkb_state_key_get_utf8(state, map.KeycodeForVk(static_cast<std::uint8_t>(scan & 0xFF)), utf8,
                           sizeof utf8);
    out = utf8;
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
  }
  xkb_context_unref(context);
  return out;
}

TEST(WaylandKeymap, CharactersTheLayoutLacksAreTypedThroughSpareKeys) {
  std::string error;
  // US English: é, ü, ß, € and ñ have no key; Windows-1252 bytes in the sheet.
  auto us = WaylandKeymap::Build(LayoutText("us"), &error);
  ASSERT_TRUE(us) << error;
  EXPECT_GT(us->SpareCount(), 0);
  for (char byte : std::string("aZ7&\\ \xe9\xfc\xdf\x80\xf1")) {
    EXPECT_EQ(Typed(*us, byte), DecodeText(std::string(1, byte))) << "byte " << int(byte & 0xFF);
  }
  // German: ü and ß on keys of their own, @ with AltGr, é on a spare key.
  auto de = WaylandKeymap::Build(LayoutText("de"), &error);
  ASSERT_TRUE(de) << error;
  for (char byte : std::string("yZ\xfc\xdf\x80\xe9@")) {
    EXPECT_EQ(Typed(*de, byte), DecodeText(std::string(1, byte))) << "byte " << int(byte & 0xFF);
  }
  EXPECT_EQ(de->VkKeyScan('@') >> 8, 6) << "@ is AltGr+Q on a German keyboard";
  // Without spare keys (KDE's fake input types through the compositor's own
  // keymap) a character the layout lacks has no key.
  auto plain = WaylandKeymap::Build(LayoutText("us"), &error, false);
  ASSERT_TRUE(plain) << error;
  EXPECT_EQ(plain->VkKeyScan('\xe9'), -1);
  EXPECT_EQ(Typed(*plain, 'q'), "q");
}

}  // namespace
}  // namespace typelane
