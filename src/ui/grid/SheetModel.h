#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include "core/document/DocumentObserver.h"

namespace typelane {
class Document;
}

namespace typelane::ui {

// The sheet of a Document as Qt sees it. Model row r, column c is sheet cell
// (r + 1, c + 1): the sheet's row 0 (the titles) is the horizontal header and
// the row numbers are the vertical header. Cells are read from the sheet's own
// store on demand; nothing is copied per cell.
//
// The model follows the document's events: inserted and removed rows and
// columns, the extent (the grid always offers 100 blank rows and the sheet's
// count of blank columns beyond it, added or taken away at the end), changed
// cells and titles. Only a replaced sheet (New, Open, a conversion) resets it.
class SheetModel : public QAbstractTableModel, public DocumentObserver {
  Q_OBJECT

 public:
  // True for a cell whose comment is not empty (the red corner mark).
  static constexpr int kHasCommentRole = Qt::UserRole + 1;

  explicit SheetModel(Document& document, QObject* parent = nullptr);
  ~SheetModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The in-place editor's text: stored as typed into the grid (the extent
  // rises, row 1 titles its column), told through the document's events.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Widths are measured in this font (the grid's) when typing sizes a column.
  void SetCellFont(const QFont& font) { cell_font_ = font; }
  // Every cell is painted again: colours follow the options and the command
  // table (a cell's kind), which are not sheet events. The shape stays.
  void Repaint();

  Document& document() { return document_; }

  // ---- the document's events ----
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
  void KindChanged(DocumentKind kind) override;
  void CommandsReset() override;
  void OptionsReset() override;

 signals:
  // A cell was changed through the model (the in-place editor): the sheet
  // changed, as the grid's OnChange reports it.
  void CellChanged(int row, int col);
  // The sheet was replaced: the view starts over (widths, current cell).
  void SheetReplaced();
  // Widths of sheet columns first..last changed.
  void WidthsChanged(int first, int last);

 private:
  Document& document_;
  int rows_ = 0;
  int cols_ = 0;
  QFont header_font_;
  QFont cell_font_;
};

}  // namespace typelane::ui
