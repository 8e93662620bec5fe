#pragma once

#include <QAbstractTableModel>
#include <QFont>

namespace typelane {
class Document;
}

namespace typelane::ui {

// The sheet of a Document as Qt sees it. Model row r, column c is sheet cell
// (r + 1, c + 1): the sheet's row 0 (the titles) is the horizontal header and
// the row numbers are the vertical header. Cells are read from the sheet's own
// store on demand; nothing is copied per cell.
//
// Beyond the used extent the grid always offers 100 blank rows and the
// document's count of blank columns (100, or 0 for a converted playback file).
class SheetModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kBlankRows = 100;
  // True for a cell whose comment is not empty (the red corner mark).
  static constexpr int kHasCommentRole = Qt::UserRole + 1;

  explicit SheetModel(Document& document, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The counts the extent asks for.
  static int RowsFor(int last_row) { return (last_row > 0 ? last_row : 0) + kBlankRows; }
  static int ColsFor(int last_col, int blank_cols) {
    return (last_col > 0 ? last_col : 0) + blank_cols;
  }

  // After a command changed the sheet: rows and columns are added or taken
  // away at the end until the shape follows the extent, and every cell and
  // header is repainted.
  void Refresh();
  // After the whole sheet was replaced (New, Open).
  void Reload();

  Document& document() { return document_; }

 signals:
  // A cell was changed through the model (the in-place editor): the sheet
  // changed, as the grid's OnChange reports it.
  void CellChanged(int row, int col);

 private:
  Document& document_;
  int rows_ = 0;
  int cols_ = 0;
  QFont header_font_;
};

}  // namespace typelane::ui
