#include "core/sheet/SheetObserverList.h"

#include <algorithm>

#include "core/sheet/Sheet.h"

namespace typelane {

void SheetObserverList::Attach(SheetObserver* observer) {
  if (observer == nullptr) return;
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void SheetObserverList::Detach(SheetObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void SheetObserverList::ReportExtent(const Sheet& sheet) {
  const SheetExtent now = sheet.Extent();
  if (now == reported_ || muted_ > 0) return;
  ExtentChanged(now);
}

void SheetObserverList::SheetAboutToBeReset() {
  Each([](SheetObserver& o) { o.SheetAboutToBeReset(); });
}
void SheetObserverList::SheetReset(const SheetExtent& extent) {
  reported_ = extent;
  Each([&](SheetObserver& o) { o.SheetReset(extent); });
}
void SheetObserverList::RowsAboutToBeInserted(int at, int count) {
  Each([&](SheetObserver& o) { o.RowsAboutToBeInserted(at, count); });
}
void SheetObserverList::RowsInserted(int at, int count) {
  Each([&](SheetObserver& o) { o.RowsInserted(at, count); });
}
void SheetObserverList::RowsAboutToBeRemoved(int at, int count) {
  Each([&](SheetObserver& o) { o.RowsAboutToBeRemoved(at, count); });
}
void SheetObserverList::RowsRemoved(int at, int count) {
  Each([&](SheetObserver& o) { o.RowsRemoved(at, count); });
}
void SheetObserverList::ColumnsAboutToBeInserted(int at, int count) {
  Each([&](SheetObserver& o) { o.ColumnsAboutToBeInserted(at, count); });
}
void SheetObserverList::ColumnsInserted(int at, int count) {
  Each([&](SheetObserver& o) { o.ColumnsInserted(at, count); });
}
void SheetObserverList::ColumnsAboutToBeRemoved(int at, int count) {
  Each([&](SheetObserver& o) { o.ColumnsAboutToBeRemoved(at, count); });
}
void SheetObserverList::ColumnsRemoved(int at, int count) {
  Each([&](SheetObserver& o) { o.ColumnsRemoved(at, count); });
}
void SheetObserverList::ExtentChanged(const SheetExtent& extent) {
  if (muted_ > 0) return;
  reported_ = extent;
  Each([&](SheetObserver& o) { o.ExtentChanged(extent); });
}
void SheetObserverList::CellsChanged(const CellRect& rect) {
  if (rect.Empty()) return;
  Each([&](SheetObserver& o) { o.CellsChanged(rect); });
}
void SheetObserverList::ColumnWidthsChanged(int first, int last) {
  if (first > last) return;
  Each([&](SheetObserver& o) { o.ColumnWidthsChanged(first, last); });
}

}  // namespace typelane
