#pragma once

#include <stdexcept>
#include <string>

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

}  // namespace typelane
