#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace typelane::win32 {

// The clipboard owner of a load. Text is offered by delayed rendering from a
// message-only window on a thread of its own, so the bytes are handed over only
// when a program asks for them: WM_RENDERFORMAT tells us the target has taken
// the text, and the next cell's text never replaces the clipboard before the
// paste happened. The thread keeps answering while the load sleeps.
class Win32Clipboard {
 public:
  // nullptr and a message in *error when the window cannot be made.
  static std::unique_ptr<Win32Clipboard> Open(std::string* error);
  // Hands the last text to the clipboard for good (WM_RENDERALLFORMATS), so it
  // stays pasteable after the program ends.
  ~Win32Clipboard();
  Win32Clipboard(const Win32Clipboard&) = delete;
  Win32Clipboard& operator=(const Win32Clipboard&) = delete;

  // Offers text as CF_UNICODETEXT and CF_TEXT. Throws PlatformError when the
  // clipboard cannot be opened (another program holds it too long).
  void SetText(std::string_view bytes);

  // Returns once a window of the foreground program has fetched the text set
  // last, or any program did and settle_ms have passed since paste_key (the
  // moment the paste key went down), or limit_ms passed since the call. True
  // when the text was taken. The settle time runs from the paste key, not from
  // the call, so a caller waiting in short slices sees the same rule as one
  // long wait.
  bool WaitForPaste(std::chrono::steady_clock::time_point paste_key, int settle_ms, int limit_ms);

  // How often the text set last was fetched, by anyone (tests).
  int RenderCount();

  // Puts the current text on the clipboard for good at once, waiting at most
  // limit_ms (used when the process is about to end).
  void RenderAllNow(int limit_ms);

  struct Impl;  // the window procedure reaches it through the window

 private:
  explicit Win32Clipboard(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace typelane::win32
