#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace typelane {

// Owns the CLIPBOARD selection from a thread of its own with its own X
// connection. A target pastes by asking the owner for the text, so the owner must
// answer while the load thread sleeps or sends keys; an owner that is busy makes
// targets paste late (after the next key) or not at all.
class X11Clipboard {
 public:
  // nullptr and a message when the display cannot be opened.
  static std::unique_ptr<X11Clipboard> Start(const char* display_name, std::string* error);
  ~X11Clipboard();
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  // Takes the clipboard with these bytes (valid UTF-8 as it is, anything else
  // read as Windows-1252). Returns once the X server has made us the owner.
  // Throws PlatformError when it does not.
  void SetText(std::string_view bytes);

  // Blocks until a target has fetched the text of the last SetText, or
  // timeout_ms has passed. True when it was fetched.
  bool WaitForPaste(int timeout_ms);

  // How many times the current text has been handed out (for tests).
  int ServedCount();

 private:
  struct Impl;
  explicit X11Clipboard(std::unique_ptr<Impl> impl);
  void Run();

  std::unique_ptr<Impl> impl_;
  std::thread thread_;
};

}  // namespace typelane
