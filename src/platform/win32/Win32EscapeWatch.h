#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace typelane::win32 {

// Sees the user press Esc while a load runs, even between two checks and while
// another program has the focus: a low-level keyboard hook on a thread of its
// own. Keys that programs inject (the load's own keybd_event calls, an {ESC} in
// a keystroke cell included) carry LLKHF_INJECTED and never count.
class Win32EscapeWatch {
 public:
  // nullptr when the hook cannot be installed; the platform then falls back to
  // GetAsyncKeyState.
  static std::unique_ptr<Win32EscapeWatch> Start();
  ~Win32EscapeWatch();
  Win32EscapeWatch(const Win32EscapeWatch&) = delete;
  Win32EscapeWatch& operator=(const Win32EscapeWatch&) = delete;

  // Forgets presses seen so far.
  void Reset() { pressed_ = false; }
  // True once Esc was pressed on a real keyboard since Reset().
  bool Pressed() const { return pressed_; }
  // Injected key events the hook has passed on so far (ours among them).
  std::int64_t InjectedKeysSeen() const { return injected_seen_; }
  // Returns once the hook's thread has finished with every key it was given
  // so far (and Windows has queued them), or after limit_ms.
  void Sync(int limit_ms);

 private:
  Win32EscapeWatch() = default;
  void Run(bool* installed, std::atomic<int>* state);

  std::atomic<bool> pressed_{false};
  std::atomic<std::int64_t> injected_seen_{0};
  std::atomic<unsigned long> thread_id_{0};
  std::thread thread_;
  friend struct EscapeHook;
};

}  // namespace typelane::win32
