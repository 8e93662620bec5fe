#include "platform/wayland/WaylandKeymap.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <vector>

#include "platform/x11/X11Keys.h"

namespace typelane {

namespace {

constexpr std::uint32_t kIsoLevel3Shift = 0xfe03;  // XKB_KEY_ISO_Level3_Shift
constexpr std::uint32_t kAltR = 0xffea;            // XKB_KEY_Alt_R

// Codes Windows leaves to OEMs; none of them is a key we name otherwise (the
// same set the X11 backend hands out).
constexpr std::uint8_t kSpareVirtualKeys[] = {0x92, 0x93, 0x94, 0x95, 0x96, 0xDF, 0xE1, 0xE3,
                                              0xE4, 0xE6, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE,
                                              0xEF, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5};

// The span of the section "xkb_<name> ... { ... };" in a keymap text: from its
// first character to just past its closing brace; npos when it is missing.
std::pair<size_t, size_t> Section(const std::string& text, const std::string& name) {
  const size_t start = text.find("xkb_" + name);
  if (start == std::string::npos) return {std::string::npos, std::string::npos};
  const size_t open = text.find('{', start);
  if (open == std::string::npos) return {std::string::npos, std::string::npos};
  int depth = 0;
  bool quoted = false;
  for (size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '{') ++depth;
    if (c == '}' && --depth == 0) return {start, i + 1};
  }
  return {std::string::npos, std::string::npos};
}

}  // namespace

WaylandKeymap::~WaylandKeymap() {
  if (keymap_) xkb_keymap_unref(keymap_);
  if (context_) xkb_context_unref(context_);
}

std::unique_ptr<WaylandKeymap> WaylandKeymap::Build(const std::string& base, std::string* error,
                                                    bool spares) {
  std::unique_ptr<WaylandKeymap> map(new WaylandKeymap());
  map->context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (!map->context_) {
    if (error) *error = "xkbcommon cannot start (no keyboard layouts).";
    return nullptr;
  }
  xkb_keymap* layout = nullptr;
  if (!base.empty()) {
    layout = xkb_keymap_new_from_string(map->context_, base.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
  }
  if (!layout) {
    layout = xkb_keymap_new_from_names(map->context_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
  }
  if (!layout) {
    if (error) *error = "xkbcommon cannot make a keymap for the keyboard layout.";
    return nullptr;
  }
  map->keymap_ = layout;

  // The characters no key of the layout types, at any of the four levels.
  std::vector<std::uint32_t> missing;
  for (int byte = 0x20; byte <= 0xFF; ++byte) {
    const std::uint32_t keysym = static_cast<std::uint32_t>(KeysymForByte(byte));
    if (keysym == 0) continue;
    const std::uint32_t unicode = keysym >= 0x20 && keysym <= 0xFF ? 0x01000000u | keysym : 0;
    int level = 0;
    if (!spares || map->FindKeycode(keysym, 0, 3, &level) ||
        (unicode && map->FindKeycode(unicode, 0, 3, &level))) {
      continue;
    }
    missing.push_back(keysym);
  }

  // Spare keycodes: those the layout names but puts nothing on, then new ones
  // past its last.
  std::string text;
  if (char* s = xkb_keymap_get_as_string(layout, XKB_KEYMAP_FORMAT_TEXT_V1)) {
    text = s;
    std::free(s);
  }
  std::string new_keycodes, new_symbols;
  std::uint32_t next_new = xkb_keymap_max_keycode(layout) + 1;
  std::uint32_t kc = xkb_keymap_min_keycode(layout);
  for (std::uint32_t keysym : missing) {
    std::string name;
    for (; kc <= xkb_keymap_max_keycode(layout); ++kc) {
      const char* key_name = xkb_keymap_key_get_name(layout, kc);
      if (key_name && xkb_keymap_num_layouts_for_key(layout, kc) == 0) {
        name = key_name;
        ++kc;
        break;
      }
    }
    if (name.empty()) {
      name = "TL" + std::to_string(next_new);
      new_keycodes += "\t<" + name + "> = " + std::to_string(next_new) + ";\n";
      ++next_new;
    }
    char sym_name[64];
    if (xkb_keysym_get_name(keysym, sym_name, sizeof sym_name) <= 0) continue;
    new_symbols += "\tkey <" + name + "> { [ " + sym_name + " ] };\n";
  }

  std::string patched = text;
  auto [sym_start, sym_end] = Section(patched, "symbols");
  auto [code_start, code_end] = Section(patched, "keycodes");
  if (!new_symbols.empty() && sym_end != std::string::npos && code_end != std::string::npos &&
      code_end < sym_start) {
    // The symbols section comes after the keycodes: patch it first so the
    // keycodes' offsets still hold.
    patched.insert(sym_end - 1, new_symbols);
    if (!new_keycodes.empty()) {
      patched.insert(code_end - 1, new_keycodes);
      const size_t max_at = patched.find("maximum", code_start);
      const size_t semi = max_at == std::string::npos ? max_at : patched.find(';', max_at);
      if (semi != std::string::npos && semi < code_end) {
        patched.replace(max_at, semi - max_at, "maximum = " + std::to_string(next_new - 1));
      }
    }
    xkb_keymap* spare = xkb_keymap_new_from_string(
        map->context_, patched.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    // A layout xkbcommon cannot read back patched keeps its own keys: the
    // characters it lacks are then not typed, as VkKeyScan says.
    if (spare) {
      xkb_keymap_unref(map->keymap_);
      map->keymap_ = spare;
      map->spare_count_ = static_cast<int>(missing.size());
      if (char* s = xkb_keymap_get_as_string(spare, XKB_KEYMAP_FORMAT_TEXT_V1)) {
        text = s;
        std::free(s);
      }
    }
  }
  map->text_ = text;
  map->right_alt_keysym_ =
      map->FindKeycode(kIsoLevel3Shift, 0, 1, nullptr) ? kIsoLevel3Shift : kAltR;
  return map;
}

std::uint32_t WaylandKeymap::SymAt(std::uint32_t keycode, int level) const {
  const xkb_keysym_t* syms = nullptr;
  const int n = xkb_keymap_key_get_syms_by_level(keymap_, keycode, 0, level, &syms);
  return n >= 1 ? syms[0] : 0;
}

std::uint32_t WaylandKeymap::FindKeycode(std::uint32_t keysym, int first, int last,
                                         int* level) const {
  if (keysym == 0) return 0;
  for (std::uint32_t kc = xkb_keymap_min_keycode(keymap_); kc <= xkb_keymap_max_keycode(keymap_);
       ++kc) {
    for (int l = first; l <= last; ++l) {
      if (SymAt(kc, l) == keysym) {
        if (level) *level = l;
        return kc;
      }
    }
  }
  return 0;
}

std::uint32_t WaylandKeymap::KeycodeForVk(std::uint8_t virtual_key) const {
  auto extra = extra_keys_.find(virtual_key);
  if (extra != extra_keys_.end()) return extra->second;
  return FindKeycode(
      static_cast<std::uint32_t>(KeysymForVirtualKey(virtual_key, right_alt_keysym_)), 0, 1,
      nullptr);
}

std::uint8_t WaylandKeymap::VkForKeycode(std::uint32_t keycode) {
  const std::uint8_t vk = VirtualKeyForKeysym(SymAt(keycode, 0));
  if (vk != 0 && KeycodeForVk(vk) == keycode) return vk;
  for (const auto& [code, kc] : extra_keys_) {
    if (kc == keycode) return code;
  }
  for (std::uint8_t code : kSpareVirtualKeys) {
    if (!extra_keys_.count(code)) {
      extra_keys_[code] = keycode;
      return code;
    }
  }
  return 0;
}

std::int16_t WaylandKeymap::VkKeyScan(char c) {
  const auto byte = static_cast<unsigned char>(c);
  // Control characters are keys (Tab, Enter, Backspace, Esc) or Ctrl with a
  // letter, whatever the layout, as Windows answers them.
  if (const std::int16_t control = ControlCharKeyScan(byte); control != 0) {
    return KeycodeForVk(static_cast<std::uint8_t>(control & 0xFF)) ? control : -1;
  }
  const auto keysym = static_cast<std::uint32_t>(KeysymForByte(byte));
  if (keysym == 0) return -1;
  // Layouts may name a character by its Unicode keysym instead.
  const std::uint32_t unicode = keysym >= 0x20 && keysym <= 0xFF ? 0x01000000u | keysym : 0;
  int level = 0;
  std::uint32_t kc = FindKeycode(keysym, 0, 1, &level);
  if (!kc && unicode) kc = FindKeycode(unicode, 0, 1, &level);
  if (!kc) {
    // Third and fourth level (AltGr): Windows reports Ctrl+Alt in the high byte.
    kc = FindKeycode(keysym, 2, 3, &level);
    if (!kc && unicode) kc = FindKeycode(unicode, 2, 3, &level);
    if (kc) level = level == 2 ? 6 : 7;
  }
  if (!kc) return -1;
  const std::uint8_t vk = VkForKeycode(kc);
  if (vk == 0) return -1;
  return static_cast<std::int16_t>((level << 8) | vk);
}

}  // namespace typelane
