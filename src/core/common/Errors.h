#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

namespace typelane {

// A text that should have been a number was not. The message is the one the
// user sees, e.g. "'abc' is not a valid integer value".
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A platform service failed (clipboard, window system, file system).
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be read or written. The path is the name the user gave; the
// reason is the system's own words ("Permission denied", "No such file or
// directory"). what() is "path: reason".
class FileError : public PlatformError {
 public:
  FileError(const std::string& path, const std::string& reason)
      : PlatformError(path + ": " + reason), path_(path), reason_(reason) {}
  const std::string& Path() const { return path_; }
  const std::string& Reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// The message of a failed open or save: the program's own text and, when the
// failure was the file's, a second line (joined with CR, as message boxes take
// their lines) naming the file and the system's reason.
inline std::string WithFileReason(std::string_view message, const std::exception_ptr& error) {
  std::string text(message);
  try {
    if (error) std::rethrow_exception(error);
  } catch (const FileError& e) {
    text += '\r';
    text += e.what();
  } catch (...) {
  }
  return text;
}

}  // namespace typelane
