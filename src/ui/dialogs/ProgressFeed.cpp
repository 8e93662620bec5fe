#include "ui/dialogs/ProgressFeed.h"

namespace typelane::ui {

void ProgressFeed::Clear() {
  column_.store(0, std::memory_order_relaxed);
  row_.store(0, std::memory_order_relaxed);
  rows_loaded_.store(0, std::memory_order_relaxed);
  held_.store(0, std::memory_order_relaxed);
  WaitNotice({});
  LoadNotice({});
}

void ProgressFeed::ProgressShown() { Clear(); }

void ProgressFeed::ColumnProgress(int percent) {
  column_.store(percent, std::memory_order_relaxed);
}

void ProgressFeed::RowProgress(int percent, int rows_loaded) {
  // A row done: the column bar starts again.
  column_.store(0, std::memory_order_relaxed);
  row_.store(percent, std::memory_order_relaxed);
  rows_loaded_.store(rows_loaded, std::memory_order_relaxed);
}

void ProgressFeed::WaitingForKeys(unsigned held) { held_.store(held, std::memory_order_relaxed); }

void ProgressFeed::KeysReleased() { held_.store(0, std::memory_order_relaxed); }

void ProgressFeed::WaitNotice(const std::string& text) {
  const std::lock_guard lock(wait_mutex_);
  wait_text_ = text;
}

void ProgressFeed::LoadNotice(const std::string& text) {
  const std::lock_guard lock(wait_mutex_);
  notice_text_ = text;
}

std::string ProgressFeed::WaitText() const {
  const std::lock_guard lock(wait_mutex_);
  return wait_text_.empty() ? notice_text_ : wait_text_;
}

}  // namespace typelane::ui
