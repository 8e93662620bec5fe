#pragma once

#include <vector>

#include "core/sheet/SheetObserver.h"

namespace typelane {

class Sheet;

// Several observers as one: every call goes to each attached observer in the
// order they were attached. Code that changes the sheet for the document (the
// editing rules, the drop-list checks) takes a SheetObserver& and is handed
// this list.
//
// While muted (the document is inside a reset) every call is swallowed: the
// reset pair already tells the views that everything changed.
class SheetObserverList : public SheetObserver {
 public:
  void Attach(SheetObserver* observer);
  void Detach(SheetObserver* observer);
  bool Muted() const { return muted_ > 0; }
  void Mute() { ++muted_; }
  void Unmute() { --muted_; }

  // The extent last told to the observers. ReportExtent tells sheet.Extent()
  // only when it differs from it, so an edit can call it once at its end
  // whatever it did.
  const SheetExtent& Reported() const { return reported_; }
  void ReportExtent(const Sheet& sheet);

  void SheetAboutToBeReset() override;
  void SheetReset(const SheetExtent& extent) override;
  void RowsAboutToBeInserted(int at, int count) override;
  void RowsInserted(int at, int count) override;
  void RowsAboutToBeRemoved(int at, int count) override;
  void RowsRemoved(int at, int count) override;
  void ColumnsAboutToBeInserted(int at, int count) override;
  void ColumnsInserted(int at, int count) override;
  void ColumnsAboutToBeRemoved(int at, int count) override;
  void ColumnsRemoved(int at, int count) override;
  void ExtentChanged(const SheetExtent& extent) override;
  void CellsChanged(const CellRect& rect) override;
  void ColumnWidthsChanged(int first, int last) override;

 private:
  template <typename F>
  void Each(F&& call) {
    if (muted_ > 0) return;
    // A copy: an observer may detach itself (or attach another) while told.
    const std::vector<SheetObserver*> observers = observers_;
    for (SheetObserver* o : observers) call(*o);
  }

  std::vector<SheetObserver*> observers_;
  SheetExtent reported_;
  int muted_ = 0;
};

}  // namespace typelane
