#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

// The system's own words for the failures the tests provoke, as the program
// shows them (one line, no final stop). Windows words them itself; the C
// runtime there opens a folder as a file with "access denied".
namespace typelane::testing {

inline std::string NoSuchFileReason() {
#if defined(_WIN32)
  std::string text = std::system_category().message(2);  // ERROR_FILE_NOT_FOUND
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
#else
  return "No such file or directory";
#endif
}

inline std::string OpenFolderReason() {
#if defined(_WIN32)
  return std::strerror(EACCES);
#else
  return "Is a directory";
#endif
}

}  // namespace typelane::testing
