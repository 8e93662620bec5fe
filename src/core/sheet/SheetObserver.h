#pragma once

#include "core/sheet/CellRect.h"
#include "core/sheet/SheetExtent.h"

namespace typelane {

// What a view of the sheet must hear to stay exact: a grid model over the live
// Sheet (a QAbstractTableModel, say) turns each call into its begin/end calls.
// The Sheet itself never calls anyone (readers call it hundreds of thousands
// of times); whoever changes it through the document tells its observers.
//
// Positions are grid positions: row 0 is the title row, column 0 the row
// numbers, so they are the sheet's own row and column numbers.
//
// The contract a grid model can rely on:
//  - A model keeps its own row and column counts and changes them only inside
//    a pair, between the "about to" call and the call after it, exactly as
//    beginInsertRows/endInsertRows want it. Cells are read from the live sheet
//    at any time; reading is always safe (a cell never written reads as "").
//  - Pairs never nest and never overlap; nothing else is called between the
//    two calls of a pair.
//  - RowsAboutToBeInserted/RowsInserted (and the removed and column variants)
//    come around a change that moves cells: the "about to" call comes before the
//    sheet changes, the second after. The grid grows (shrinks) by count at
//    `at`.
//  - ExtentChanged comes after LastRow, LastCol or BlankCols changed, before any
//    CellsChanged of the same edit. The model brings its counts to
//    extent.GridRows() and extent.GridCols() by inserting or removing rows and
//    columns at the end of the grid (rows removed there are always blank rows
//    beyond the extent, so doing it after the change is exact).
//  - SheetAboutToBeReset/SheetReset come around New, Open, a conversion and a
//    failed open's reset: everything may change, the counts included. No other
//    sheet call comes in between (messages may be shown then: the sheet is safe
//    to read, a repaint shows whatever it holds).
//  - CellsChanged: texts or comments inside rect changed (rect lies inside the
//    grid as last reported).
//  - ColumnWidthsChanged: widths of columns first..last changed.
class SheetObserver {
 public:
  virtual ~SheetObserver() = default;

  virtual void SheetAboutToBeReset() {}
  virtual void SheetReset(const SheetExtent& extent) { (void)extent; }

  virtual void RowsAboutToBeInserted(int at, int count) { (void)at, (void)count; }
  virtual void RowsInserted(int at, int count) { (void)at, (void)count; }
  virtual void RowsAboutToBeRemoved(int at, int count) { (void)at, (void)count; }
  virtual void RowsRemoved(int at, int count) { (void)at, (void)count; }
  virtual void ColumnsAboutToBeInserted(int at, int count) { (void)at, (void)count; }
  virtual void ColumnsInserted(int at, int count) { (void)at, (void)count; }
  virtual void ColumnsAboutToBeRemoved(int at, int count) { (void)at, (void)count; }
  virtual void ColumnsRemoved(int at, int count) { (void)at, (void)count; }

  virtual void ExtentChanged(const SheetExtent& extent) { (void)extent; }
  virtual void CellsChanged(const CellRect& rect) { (void)rect; }
  virtual void ColumnWidthsChanged(int first, int last) { (void)first, (void)last; }
};

}  // namespace typelane
