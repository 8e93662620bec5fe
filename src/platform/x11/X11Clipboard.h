#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "core/load/Platform.h"

namespace typelane {

// Owns the CLIPBOARD selection from a thread of its own with its own X
// connection. A target pastes by asking the owner for the text, so the owner must
// answer while the load thread sleeps or sends keys; an owner that is busy makes
// targets paste late (after the next key) or not at all.
class X11Clipboard {
 public:
  // nullptr and a message when the display cannot be opened.
  static std::unique_ptr<X11Clipboard> Start(const char* display_name, std::string* error);
  // Hands the text to a clipboard manager when one runs, so it outlives us.
  ~X11Clipboard();
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  // Takes the clipboard with these bytes (valid UTF-8 as it is, anything else
  // read as Windows-1252). Returns once the X server has made us the owner.
  // Throws PlatformError when it does not.
  void SetText(std::string_view bytes);

  // Takes the clipboard with the formats of offer, each served under its own
  // name as its bytes stand; with UTF8_STRING among them, STRING and TEXT
  // too, as its Latin-1 text. Returns once the X server has made us the
  // owner; false when it has not.
  bool SetOffer(const ClipboardOffer& offer);
  // The offer of the last SetOffer while we still own the clipboard with it:
  // asks the X server first, so a program that took the clipboard a moment
  // ago is not missed. nullopt otherwise.
  std::optional<ClipboardOffer> CurrentOffer();

  struct PasteWait {
    // The paste key went down at this time: only a request made then or later
    // can be the paste.
    std::chrono::steady_clock::time_point since;
    // The client (resource id base) whose window has the focus: its request is
    // the paste. Clipboard managers fetch every new text too, sometimes late,
    // and must not be taken for the target. 0 when unknown.
    unsigned long target_client = 0;
    unsigned long client_mask = 0;  // the bits of a resource id within its client
    // From this long after the paste key on, a request from any client counts,
    // however often the caller has asked meanwhile.
    int grace_ms = 300;
    // Give up (answer false) at this time.
    std::chrono::steady_clock::time_point until;
    // Asked every few milliseconds: true ends the wait at once (false).
    std::function<bool()> stop;
  };

  // Blocks until the target has fetched the text of the last SetText (true),
  // or until wait.until or a stop (false).
  bool WaitForPaste(const PasteWait& wait);

 private:
  struct Impl;
  explicit X11Clipboard(std::unique_ptr<Impl> impl);
  void Run();

  std::unique_ptr<Impl> impl_;
  std::thread thread_;
};

}  // namespace typelane
