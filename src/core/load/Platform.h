#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace typelane {

using WindowHandle = std::uintptr_t;  // 0 means none

struct WindowInfo {
  WindowHandle handle = 0;
  std::string title;  // as the window system reports it, untrimmed
  bool visible = true;
  bool own = false;  // one of this program's own windows
};

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

enum class MouseButton { kLeft, kRight };

// What the grid's Copy puts on the system clipboard: each format by its name
// (a MIME type or an X11 target such as UTF8_STRING) with its bytes, shared so
// that serving them to any number of programs copies nothing.
struct ClipboardOffer {
  struct Format {
    std::string name;
    std::shared_ptr<const std::string> bytes;
  };
  std::vector<Format> formats;
  // The bytes of a format, nullptr when the offer lacks it.
  const std::string* Bytes(std::string_view name) const {
    for (const Format& format : formats) {
      if (format.name == name) return format.bytes.get();
    }
    return nullptr;
  }
};

// Modifier keys a user holds down, as bits: HeldModifiers() and ModifierNames().
enum ModifierBits : unsigned { kShiftHeld = 1u, kCtrlHeld = 2u, kAltHeld = 4u };

// The load engine's view of the desktop. Backends: x11 (Linux), win32 (Windows)
// and recording (tests and dry runs). Everything a load does to the outside world
// goes through here, in the order the load does it.
class Platform {
 public:
  virtual ~Platform() = default;

  // Top-level windows in Z order, the front-most first.
  virtual std::vector<WindowInfo> ListWindows() = 0;

  // The window whose title matches, by the rules of MatchWindowTitle over
  // ListWindows(); 0 when none does.
  virtual WindowHandle FindWindowByTitle(std::string_view title);

  // Restores a minimised window and brings it to the front with the keyboard
  // focus. False when the window could not be activated.
  virtual bool ActivateWindow(WindowHandle window) = 0;

  virtual WindowHandle GetForegroundWindow() = 0;
  // Brings a window back to the front (the one that was in front before a load).
  virtual void SetForegroundWindow(WindowHandle window) = 0;

  // True while the foreground window shows the busy (wait) cursor.
  virtual bool IsHourglassShowing() = 0;

  // True while the target cannot take input: it shows the busy cursor, or it
  // does not answer the desktop within answer_ms (a hung program). Judged on
  // the target itself, wherever the mouse pointer is. Returns within
  // answer_ms, and at once when Esc is pressed or a stop is requested.
  virtual bool IsTargetBusy(WindowHandle /*target*/, std::int64_t /*answer_ms*/) {
    return IsHourglassShowing();
  }

  // True when the window that has the keyboard focus is the target or one of
  // its program's own windows (its dialog, say): what the load sends now goes
  // there. False when another program has the focus. Unknowable: true.
  virtual bool FocusIsWith(WindowHandle /*target*/) { return true; }

  // The key for a character in the current layout: low byte the virtual key,
  // high byte the shift state (1 = Shift); -1 when the layout lacks it.
  virtual std::int16_t VkKeyScan(char c) = 0;

  // One key event by Windows virtual-key code, to whatever has the focus.
  virtual void KeyEvent(std::uint8_t virtual_key, bool key_up) = 0;

  virtual void SetCursorPos(int x, int y) = 0;
  virtual std::optional<ScreenPoint> GetCursorPos() = 0;
  virtual void MouseButtonEvent(MouseButton button, bool up, int x, int y) = 0;

  // Esc watching: after BeginEscapeWatch, EscapePressed() is true once somebody
  // pressed Esc: a keyboard, or a remote-desktop server typing for its user.
  // The Esc presses the load sends itself do not count; they are told apart by
  // what the load sent and when, not by the device they came from.
  virtual void BeginEscapeWatch() = 0;
  virtual bool EscapePressed() = 0;

  // The modifier keys (ModifierBits) the user holds down on a real keyboard.
  // Keys the load itself pressed do not count: a load never waits for itself.
  // A load does not start, nor play its next cell, while one is held: a held
  // Ctrl would turn every pasted Tab into Ctrl+Tab.
  virtual unsigned HeldModifiers() { return 0; }

  // Puts text on the clipboard; the next paste in the target gives exactly
  // these bytes. Throws PlatformError.
  virtual void SetClipboardText(std::string_view text) = 0;

  // The grid's copy of a large block, served by the desktop layer itself where
  // it hands the bytes over faster than the toolkit does (X11 does, in larger
  // pieces). False when it does not: the toolkit's clipboard takes the copy.
  // Once true, the toolkit no longer owns the clipboard.
  virtual bool OfferClipboard(const ClipboardOffer& /*offer*/) { return false; }
  // The offer of the last OfferClipboard while it is still what the clipboard
  // holds (nobody copied anything since, the load's texts included); nullopt
  // otherwise. Our own paste takes it from here, without a transfer.
  virtual std::optional<ClipboardOffer> CurrentClipboardOffer() { return std::nullopt; }

  // Called after a paste key was sent: waits up to wait_ms for the target to
  // take the text of the last SetClipboardText, and says whether it has. False
  // means not yet: the caller decides whether to wait longer, and must not put
  // new text on the clipboard before it has been taken. Returns early when a
  // stop is requested. A desktop that cannot tell answers true.
  virtual bool WaitForPaste(std::int64_t /*wait_ms*/) { return true; }

  virtual void Sleep(std::int64_t ms) = 0;
  // A wait between two actions of the load (a pause, a cell's delay, the
  // checks of a busy target): like Sleep, but over as soon as Esc is pressed
  // or a stop is requested, so either acts within a moment. A key hold is no
  // such wait: it uses Sleep, and the keys of a cell always go out whole.
  virtual void SleepUnlessEscape(std::int64_t ms);
  // Milliseconds from a monotonic clock.
  virtual std::int64_t NowMs() = 0;

  // False when the window is gone: destroyed, or withdrawn by its program.
  // A window that is merely behind others, minimised or busy still exists.
  // Known from the window's own destroy and close events where the desktop
  // has them: a handle that the window system hands to a new window after the
  // old one is gone must never pass for the old one.
  virtual bool WindowExists(WindowHandle window) = 0;

  // False when a press of Esc cannot be seen on this desktop, so a load can
  // only be stopped some other way; the user is told before the load starts.
  virtual bool CanWatchEscape() const { return true; }

  // A request to end the load early: the program is quitting, or a signal came.
  // Waits end at once and no further key, click, paste or activation goes out;
  // what the load holds down is still released. RequestStop only stores to a
  // lock-free atomic, so a signal handler or another thread may call it.
  // Not virtual: a load asks before every key it sends.
  void RequestStop() noexcept { stop_->store(true, std::memory_order_relaxed); }
  bool StopRequested() const noexcept { return stop_->load(std::memory_order_relaxed); }
  void ClearStopRequest() noexcept { stop_->store(false, std::memory_order_relaxed); }

  // The user asks a load that holds for its target (another window has the
  // focus) to bring the target to the front again and go on. A lock-free
  // store, as RequestStop; the load takes the request on its own thread.
  void RequestRefocus() noexcept { refocus_->store(true, std::memory_order_relaxed); }
  bool TakeRefocusRequest() noexcept {
    // Read first: the exchange locks the bus, and a load asks before every cell.
    return refocus_->load(std::memory_order_relaxed) &&
           refocus_->exchange(false, std::memory_order_relaxed);
  }

  // For a crash handler (SIGSEGV, SIGABRT): lets go of every key and mouse
  // button this process holds down on the desktop. Async-signal-safe; does
  // nothing where that cannot be done safely.
  virtual void ReleaseHeldInputFromSignal() noexcept {}

 private:
  static_assert(std::atomic<bool>::is_always_lock_free, "RequestStop must be signal-safe");
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> refocus_requested_{false};
  std::atomic<bool>* stop_ = &stop_requested_;
  std::atomic<bool>* refocus_ = &refocus_requested_;

 protected:
  Platform() = default;
  // A layer over another platform shares its requests: a stop asked of
  // either is seen by both.
  explicit Platform(Platform& under) : stop_(under.stop_), refocus_(under.refocus_) {}
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;
};

// "Ctrl", "Shift", "Alt" for the bits set, joined by "+": "Ctrl+Shift".
std::string ModifierNames(unsigned held);

// A title as the program sees it: at most 98 characters, then trimmed of blanks
// and control characters at both ends.
std::string SeenTitle(std::string_view raw_title);

// The first window whose seen title equals title, ignoring letter case; failing
// that, the first whose seen title begins with title (not for an empty title,
// which only names an untitled window). Windows in Z order. Our own windows
// never match: a load never types into this program.
// Returns 0 when none matches.
WindowHandle MatchWindowTitle(const std::vector<WindowInfo>& windows, std::string_view title);

// Finds the window by title and activates it. False when no window matches.
bool ActivateWindowByTitle(Platform& platform, std::string_view title);

// The titles a user may choose as a target, in Z order: visible, not empty, not
// one of our own windows, not the main window's caption, not "Typelane".
std::vector<std::string> ListWindowTitles(Platform& platform, std::string_view own_caption);

}  // namespace typelane
