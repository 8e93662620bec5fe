#pragma once

#include <string_view>

namespace typelane::win32 {

// Opens a file, a web address or a mail address with the program the shell
// associates with it (ShellExecuteA, verb "open", SW_SHOWDEFAULT). A target in
// UTF-8 beyond ASCII (a help file in a folder named in any language) goes
// through ShellExecuteW instead. False when the shell could not open it; the
// help commands ignore that, as nothing is associated then.
bool ShellOpen(std::string_view target);

}  // namespace typelane::win32
