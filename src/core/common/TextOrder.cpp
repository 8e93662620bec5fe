#include "core/common/TextOrder.h"

#include "core/common/Text.h"
#include "core/common/TextEncoding.h"

namespace typelane {
namespace {

// Base letters of U+0100..U+017F (Latin Extended-A), upper and lower case alike.
constexpr char kLatinExtendedA[] =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkkllllllllll"
    "nnnnnnnnnoooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(sizeof(kLatinExtendedA) == 0x80 + 1);

// Base letters of U+00E0..U+00FF; '\0' where the character is no letter.
constexpr char kLatin1Lower[] = "aaaaaaaceeeeiiiidnooooo\0ouuuuyty";
static_assert(sizeof(kLatin1Lower) == 0x20 + 1);

template <typename Key>
int CompareBy(std::string_view a, std::string_view b, bool a_utf8, bool b_utf8, Key key) {
  CodePointReader x(a, a_utf8);
  CodePointReader y(b, b_utf8);
  while (!x.Done() && !y.Done()) {
    const std::uint32_t p = key(FoldCase(x.Next()));
    const std::uint32_t q = key(FoldCase(y.Next()));
    if (p != q) return p < q ? -1 : 1;
  }
  if (x.Done() && y.Done()) return 0;
  return x.Done() ? -1 : 1;
}

}  // namespace

std::uint32_t FoldCase(std::uint32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if (c == 0x17F) return 's';
    const bool pairs_from_even = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool pairs_from_odd = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (pairs_from_even && c % 2 == 0) return c + 1;
    if (pairs_from_odd && c % 2 == 1) return c + 1;
    return c;
  }
  // Greek.
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c == 0x3C2) return 0x3C3;  // final sigma
  // Cyrillic.
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

std::uint32_t BaseLetter(std::uint32_t c) {
  if (c < 0xDF) return c;
  if (c == 0xDF) return 's';
  if (c <= 0xFF) {
    const char base = kLatin1Lower[c - 0xE0];
    return base != '\0' ? static_cast<unsigned char>(base) : c;
  }
  if (c <= 0x17F) return static_cast<unsigned char>(kLatinExtendedA[c - 0x100]);
  switch (c) {
    case 0x3AC:
      return 0x3B1;
    case 0x3AD:
      return 0x3B5;
    case 0x3AE:
      return 0x3B7;
    case 0x3AF:
    case 0x3CA:
    case 0x390:
      return 0x3B9;
    case 0x3CC:
      return 0x3BF;
    case 0x3CD:
    case 0x3CB:
    case 0x3B0:
      return 0x3C5;
    case 0x3CE:
      return 0x3C9;
    case 0x450:
    case 0x451:
      return 0x435;
    case 0x453:
      return 0x433;
    case 0x457:
      return 0x456;
    case 0x45C:
      return 0x43A;
    case 0x45D:
      return 0x438;
    case 0x45E:
      return 0x443;
    default:
      return c;
  }
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  const bool a_utf8 = IsValidUtf8(a);
  const bool b_utf8 = IsValidUtf8(b);
  const int by_letter = CompareBy(a, b, a_utf8, b_utf8, BaseLetter);
  if (by_letter != 0) return by_letter;
  return CompareBy(a, b, a_utf8, b_utf8, [](std::uint32_t folded) { return folded; });
}

}  // namespace typelane
