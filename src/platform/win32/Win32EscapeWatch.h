#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace typelane::win32 {

// Sees the user press Esc while a load runs, even between two checks and while
// another program has the focus: a low-level keyboard hook on a thread of its
// own. Every Esc press counts (a keyboard, or a remote-control program typing
// for its user, whose keys come injected) except the load's own: the load
// sends every key with kOwnKeyTag as its extra information, and the hook sees
// that tag on exactly the keys we sent.
class Win32EscapeWatch {
 public:
  // The extra information of every key event the load sends ("TYLN").
  static constexpr std::uintptr_t kOwnKeyTag = 0x54594C4E;

  // nullptr when the hook cannot be installed; the platform then falls back to
  // GetAsyncKeyState.
  static std::unique_ptr<Win32EscapeWatch> Start();
  ~Win32EscapeWatch();
  Win32EscapeWatch(const Win32EscapeWatch&) = delete;
  Win32EscapeWatch& operator=(const Win32EscapeWatch&) = delete;

  // Forgets presses seen so far.
  void Reset() { pressed_ = false; }
  // True once Esc was pressed by anyone but the load since Reset().
  bool Pressed() const { return pressed_; }
  // Key events of ours (kOwnKeyTag) the hook has passed on so far.
  std::int64_t OwnKeysSeen() const { return own_seen_; }
  // Returns once the hook's thread has finished with every key it was given
  // so far (and Windows has queued them), or after limit_ms.
  void Sync(int limit_ms);

 private:
  Win32EscapeWatch() = default;
  void Run(bool* installed, std::atomic<int>* state);

  std::atomic<bool> pressed_{false};
  std::atomic<std::int64_t> own_seen_{0};
  std::atomic<unsigned long> thread_id_{0};
  std::thread thread_;
  friend struct EscapeHook;
};

}  // namespace typelane::win32
