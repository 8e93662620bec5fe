#pragma once

#include <span>
#include <string>

namespace typelane {

class Document;

// The shell passes a path with blanks as several arguments (the open command
// does not quote "%1"), so the arguments are joined again: each one preceded
// by a blank, then the blanks at both ends removed. args excludes the
// program's own path.
std::string JoinCommandLine(std::span<const std::string> args);

// Opens the file named on the command line, if any. False when nothing was
// named or the open failed (the open flow has then shown its message).
bool OpenFromCommandLine(Document& document, std::span<const std::string> args);

}  // namespace typelane
