#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "core/load/LoadObserver.h"

namespace typelane::ui {

// What a load running on another thread reports, kept in atomics (the wait
// notice behind a lock): the load writes them after every cell and row and
// never waits for the user interface; the progress window reads them on its own timer. However fast
// a load goes, it costs the event queue nothing.
class ProgressFeed : public LoadObserver {
 public:
  void ProgressShown() override;
  void ColumnProgress(int percent) override;
  void RowProgress(int percent, int rows_loaded) override;
  void WaitingForKeys(unsigned held) override;
  void KeysReleased() override;
  void WaitNotice(const std::string& text) override;
  void LoadNotice(const std::string& text) override;

  int Column() const { return column_.load(std::memory_order_relaxed); }
  int Row() const { return row_.load(std::memory_order_relaxed); }
  int RowsLoaded() const { return rows_loaded_.load(std::memory_order_relaxed); }
  // The modifier keys the load waits for the user to let go of (ModifierBits);
  // 0 while it does not wait.
  unsigned HeldKeys() const { return held_.load(std::memory_order_relaxed); }
  // Why the load holds now ("Waiting while "Orders" is busy"); while it does
  // not, what the load told about itself as a whole ("Verification is not
  // available ..."); "" when neither.
  std::string WaitText() const;
  // Both bars back to 0 (a new load).
  void Clear();

 private:
  std::atomic<int> column_{0};
  std::atomic<int> row_{0};
  std::atomic<int> rows_loaded_{0};
  std::atomic<unsigned> held_{0};
  // Rare and short: a lock costs the load nothing worth counting.
  mutable std::mutex wait_mutex_;
  std::string wait_text_;
  std::string notice_text_;
};

}  // namespace typelane::ui
