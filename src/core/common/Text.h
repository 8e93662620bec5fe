#pragma once

#include <string>
#include <string_view>

namespace typelane {

// Letter case as the program compares names: A-Z and a-z only, so any other
// byte (accented letters in any code page, UTF-8 sequences) stays as it is.
char UpperChar(char c);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
int CompareNoCase(std::string_view a, std::string_view b);

// True when text is well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(std::string_view text);

// Blanks and control characters removed at both ends (every byte <= ' ').
std::string_view TrimControl(std::string_view text);

}  // namespace typelane
