#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace typelane::win32 {

// Text crosses into Windows' wide-character calls here. Our own strings are
// bytes: file names are UTF-8, cells and settings hold UTF-8 or (from sheets
// made by older versions) Windows-1252.

// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
// UTF-16 to UTF-8. Lone surrogates become U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);
// Bytes as the program reads them: valid UTF-8 as UTF-8, anything else as
// Windows-1252.
std::wstring WideFromBytes(std::string_view bytes);
// UTF-16 in the system's ANSI code page, as the "A" calls and CF_TEXT use it.
// Characters the code page lacks become '?'.
std::string AnsiFromWide(std::wstring_view wide);
// The system's ANSI code page to UTF-16.
std::wstring WideFromAnsi(std::string_view ansi);

// The running program's full path, in UTF-8.
std::string ExecutablePathUtf8();
// The program's command-line arguments in UTF-8 (argv[0] included), whatever
// the ANSI code page: a file named in any language reaches us whole.
std::vector<std::string> CommandLineUtf8();

}  // namespace typelane::win32
