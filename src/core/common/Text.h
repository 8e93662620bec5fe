#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace typelane {

// Letter case as the program compares names: A-Z and a-z only, so any other
// byte (accented letters in any code page, UTF-8 sequences) stays as it is.
inline char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Hash and equality that ignore letter case as SameText does, for maps of names
// looked up by any text without an upper-cased copy of it (a load asks for
// every cell it plays).
struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const noexcept;
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
};
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
int CompareNoCase(std::string_view a, std::string_view b);

// True when text is well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);

// Blanks and control characters removed at both ends (every byte <= ' ').
std::string_view TrimControl(std::string_view text);

}  // namespace typelane
