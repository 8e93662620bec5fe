#pragma once

#include <cstdint>
#include <string_view>

namespace typelane {

// Letter case and order over the characters that cell bytes stand for (see
// TextEncoding.h), not over their bytes: "Annulé" in Windows-1252 and "ANNULÉ"
// in UTF-8 are the same text ignoring case. Folding covers the Latin, Greek and
// Cyrillic letters the program's 8-bit and typed texts hold.

// The lower-case form of a character (itself when it has none).
std::uint32_t FoldCase(std::uint32_t code);

// The letter a folded character is written on, without its accent: é gives e,
// ł gives l, ß gives s. Itself for anything else.
std::uint32_t BaseLetter(std::uint32_t folded);

// Orders texts ignoring letter case, the way a user reads a sorted list: by
// their letters without accents first, so accented letters sort beside their
// base letter (Annule, Annulé, Annuler), then by the accents. Zero only when
// the texts are equal ignoring letter case.
int CompareTextNoCase(std::string_view a, std::string_view b);
inline bool SameTextNoCase(std::string_view a, std::string_view b) {
  return CompareTextNoCase(a, b) == 0;
}

}  // namespace typelane
