#include "platform/x11/X11Keys.h"

#include "core/common/TextEncoding.h"

// Typographic and technical keysyms are left out unless asked for.
#define XK_PUBLISHING
#define XK_TECHNICAL
#include <X11/keysym.h>

#include <array>

namespace typelane {

namespace {

struct VkKeysym {
  std::uint8_t vk;
  unsigned long keysym;
};

// Keys other than letters and digits, as a US keyboard labels them. The
// punctuation codes (VK_OEM_*) name key positions on Windows; the US layout
// decides which character each one is.
constexpr VkKeysym kNamedKeys[] = {
    {0x08, XK_BackSpace},   {0x09, XK_Tab},         {0x0C, XK_Clear},     {0x0D, XK_Return},
    {0x10, XK_Shift_L},     {0x11, XK_Control_L},   {0x12, XK_Alt_L},     {0x13, XK_Pause},
    {0x14, XK_Caps_Lock},   {0x1B, XK_Escape},      {0x20, XK_space},     {0x21, XK_Prior},
    {0x22, XK_Next},        {0x23, XK_End},         {0x24, XK_Home},      {0x25, XK_Left},
    {0x26, XK_Up},          {0x27, XK_Right},       {0x28, XK_Down},      {0x2C, XK_Print},
    {0x2D, XK_Insert},      {0x2E, XK_Delete},      {0x5B, XK_Super_L},   {0x5C, XK_Super_R},
    {0x5D, XK_Menu},        {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add},    {0x6C, XK_KP_Separator},
    {0x6D, XK_KP_Subtract}, {0x6E, XK_KP_Decimal},  {0x6F, XK_KP_Divide}, {0x90, XK_Num_Lock},
    {0x91, XK_Scroll_Lock}, {0xA0, XK_Shift_L},     {0xA1, XK_Shift_R},   {0xA2, XK_Control_L},
    {0xA3, XK_Control_R},   {0xA4, XK_Alt_L},       {0xBA, XK_semicolon}, {0xBB, XK_equal},
    {0xBC, XK_comma},       {0xBD, XK_minus},       {0xBE, XK_period},    {0xBF, XK_slash},
    {0xC0, XK_grave},       {0xDB, XK_bracketleft}, {0xDC, XK_backslash}, {0xDD, XK_bracketright},
    {0xDE, XK_apostrophe},  {0xE2, XK_less},
};

// Keyboard layouts name these characters by their old keysyms rather than the
// Unicode ones.
struct CodeKeysym {
  std::uint32_t code;
  unsigned long keysym;
};
constexpr CodeKeysym kLegacyKeysyms[] = {
    {0x20AC, XK_EuroSign},
    {0x201A, XK_singlelowquotemark},
    {0x0192, XK_function},
    {0x201E, XK_doublelowquotemark},
    {0x2026, XK_ellipsis},
    {0x2020, XK_dagger},
    {0x2021, XK_doubledagger},
    {0x2030, XK_permille},
    {0x0160, XK_Scaron},
    {0x0152, XK_OE},
    {0x017D, XK_Zcaron},
    {0x2018, XK_leftsinglequotemark},
    {0x2019, XK_rightsinglequotemark},
    {0x201C, XK_leftdoublequotemark},
    {0x201D, XK_rightdoublequotemark},
    {0x2022, XK_enfilledcircbullet},
    {0x2013, XK_endash},
    {0x2014, XK_emdash},
    {0x2122, XK_trademark},
    {0x0161, XK_scaron},
    {0x0153, XK_oe},
    {0x017E, XK_zcaron},
    {0x0178, XK_Ydiaeresis},
};

}  // namespace

unsigned long KeysymForVirtualKey(std::uint8_t vk, unsigned long right_alt_keysym) {
  if (vk >= '0' && vk <= '9') return vk;
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + (vk - 0x60);
  if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70);
  if (vk == 0xA5) return right_alt_keysym;
  for (const auto& k : kNamedKeys) {
    if (k.vk == vk) return k.keysym;
  }
  return 0;
}

std::uint8_t VirtualKeyForKeysym(unsigned long keysym) {
  if (keysym >= '0' && keysym <= '9') return static_cast<std::uint8_t>(keysym);
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<std::uint8_t>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<std::uint8_t>(keysym);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
    return static_cast<std::uint8_t>(0x60 + keysym - XK_KP_0);
  if (keysym >= XK_F1 && keysym <= XK_F24) return static_cast<std::uint8_t>(0x70 + keysym - XK_F1);
  if (keysym == XK_ISO_Level3_Shift || keysym == XK_Alt_R) return 0xA5;
  for (const auto& k : kNamedKeys) {
    if (k.keysym == keysym) return k.vk;
  }
  return 0;
}

unsigned long KeysymForByte(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return 0;
  std::uint32_t code = Cp1252ToCodePoint(byte);
  if (code >= 0x80 && code < 0xA0) return 0;  // undefined in 1252
  if (code <= 0xFF) return code;              // Latin-1 keysyms equal the code point
  for (const auto& k : kLegacyKeysyms) {
    if (k.code == code) return k.keysym;
  }
  return 0x01000000UL | code;
}

std::string TextAsLatin1(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  CodePointReader reader(bytes);
  while (!reader.Done()) {
    const std::uint32_t code = reader.Next();
    out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::int16_t ControlCharKeyScan(unsigned char byte) {
  auto key = [](std::uint8_t vk, int shift) {
    return static_cast<std::int16_t>((shift << 8) | vk);
  };
  switch (byte) {
    case '\t':
      return key(0x09, 0);
    case '\r':
      return key(0x0D, 0);
    case '\n':
      return key(0x0D, 2);
    case '\b':
      return key(0x08, 0);
    case 0x1B:
      return key(0x1B, 0);
    case 0x7F:
      return key(0x08, 2);
    default:
      break;
  }
  if (byte >= 1 && byte <= 26) return key(static_cast<std::uint8_t>('A' + byte - 1), 2);
  return 0;
}

}  // namespace typelane
