#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct xkb_context;
struct xkb_keymap;

namespace typelane {

// The one keymap a load's virtual keyboard carries, built with xkbcommon: the
// user's layout, plus a spare keycode for every Windows-1252 character the
// layout cannot type. A Wayland compositor hands a virtual keyboard's keymap to
// every client it types into, and changing it during a load loses keys, so the
// keymap is made whole before the first key and never changed.
//
// Keycodes here are xkb keycodes (evdev + 8), as the keymap names them.
class WaylandKeymap {
 public:
  // base: the text of the layout to start from (the seat keyboard's keymap);
  // empty: the layout the XKB_DEFAULT_* variables name, US English without
  // them. spares: add the spare keycodes (a keyboard whose keymap we do not
  // give the compositor, as KDE's fake input, gets none). nullptr and a
  // message in *error when xkbcommon can make neither.
  static std::unique_ptr<WaylandKeymap> Build(const std::string& base, std::string* error,
                                              bool spares = true);
  ~WaylandKeymap();
  WaylandKeymap(const WaylandKeymap&) = delete;
  WaylandKeymap& operator=(const WaylandKeymap&) = delete;

  // The keymap as text (XKB_KEYMAP_FORMAT_TEXT_V1), to upload as it is.
  const std::string& Text() const { return text_; }
  xkb_keymap* Keymap() const { return keymap_; }

  // As Platform::VkKeyScan: low byte the virtual key, high byte the shift
  // state (1 Shift, 6 AltGr, 7 Shift+AltGr); -1 when no key gives the byte.
  // Characters on spare keycodes get virtual keys Windows leaves to OEMs.
  std::int16_t VkKeyScan(char c);
  // The keycode a virtual key goes out as; 0 when the keymap has none.
  std::uint32_t KeycodeForVk(std::uint8_t virtual_key) const;
  // How many characters were given spare keycodes.
  int SpareCount() const { return spare_count_; }

 private:
  WaylandKeymap() = default;
  // The keysym at a level of the first layout; 0 when none.
  std::uint32_t SymAt(std::uint32_t keycode, int level) const;
  // The lowest keycode giving the keysym at levels first..last; 0 when none.
  std::uint32_t FindKeycode(std::uint32_t keysym, int first, int last, int* level) const;
  std::uint8_t VkForKeycode(std::uint32_t keycode);

  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  std::string text_;
  std::uint32_t right_alt_keysym_ = 0;
  std::map<std::uint8_t, std::uint32_t> extra_keys_;
  int spare_count_ = 0;
};

}  // namespace typelane
