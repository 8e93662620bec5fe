#include "ui/grid/SheetModel.h"

#include <QColor>
#include <algorithm>

#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
#include "core/edit/CellEdits.h"
#include "core/sheet/CellKind.h"
#include "ui/common/CellText.h"
#include "ui/common/QtTextMeasure.h"
#include "ui/grid/CellDisplay.h"

namespace typelane::ui {
namespace {

// Colours are stored as 0x00BBGGRR.
QColor FromColourRef(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

// The model's counts for an extent: the grid without its fixed row and column.
int ModelRows(const SheetExtent& extent) { return extent.GridRows() - 1; }
int ModelCols(const SheetExtent& extent) { return extent.GridCols() - 1; }

}  // namespace

SheetModel::SheetModel(Document& document, QObject* parent)
    : QAbstractTableModel(parent), document_(document) {
  rows_ = ModelRows(document_.Extent());
  cols_ = ModelCols(document_.Extent());
  header_font_.setBold(true);
  document_.AddObserver(this);
}

SheetModel::~SheetModel() { document_.RemoveObserver(this); }

int SheetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int SheetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols_;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row() + 1;
  const int col = index.column() + 1;
  const Sheet& sheet = document_.sheet;
  switch (role) {
    case Qt::DisplayRole:
      return ShownCellText(sheet.Cell(row, col));
    case Qt::EditRole: {
      // A cell too long to edit opens no editor (flags), so its whole text is
      // never converted here.
      const std::string_view bytes = sheet.Cell(row, col);
      return IsEditableCell(bytes) ? BytesToText(bytes) : ShownCellText(bytes);
    }
    case Qt::BackgroundRole: {
      // Cells are coloured by kind in sheet files only.
      if (document_.Kind() != DocumentKind::kSheetFile) return {};
      switch (GetCellKind(sheet, document_.commands, row, col)) {
        case CellKind::kData:
          return FromColourRef(document_.options.data_colour);
        case CellKind::kCommand:
          return FromColourRef(document_.options.command_colour);
        case CellKind::kKeystroke:
          return FromColourRef(document_.options.keystroke_colour);
        default:
          return {};
      }
    }
    case kHasCommentRole: {
      const CellInfo* info = sheet.Info(row, col);
      return info != nullptr && !info->comment.empty();
    }
    default:
      return {};
  }
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const int row = index.row() + 1;
  const int col = index.column() + 1;
  const std::string_view previous = document_.sheet.Cell(row, col);
  if (!IsEditableCell(previous)) return false;  // the editor held only its beginning
  const QString text = value.toString();
  if (text == BytesToText(previous)) return true;
  const EditStep step(document_, "Typing");
  const QtTextMeasure measure(cell_font_);
  const EditContext context = MakeEditContext(document_, measure);
  FinishEdit(document_, EditCellInGrid(context, row, col, TextToBytes(text, previous)));
  emit CellChanged(row, col);
  return true;
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!IsEditableCell(document_.sheet.Cell(index.row() + 1, index.column() + 1))) return flags;
  return flags | Qt::ItemIsEditable;
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::FontRole) return header_font_;
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Vertical) return QString::number(section + 1);
  return ShownCellText(document_.sheet.Cell(0, section + 1));
}

void SheetModel::Repaint() {
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
  if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
}

// ---- the document's events ----

void SheetModel::SheetAboutToBeReset() { beginResetModel(); }

void SheetModel::SheetReset(const SheetExtent& extent) {
  rows_ = ModelRows(extent);
  cols_ = ModelCols(extent);
  endResetModel();
  emit SheetReplaced();
}

void SheetModel::RowsAboutToBeInserted(int at, int count) {
  beginInsertRows(QModelIndex(), at - 1, at - 1 + count - 1);
}

void SheetModel::RowsInserted(int /*at*/, int count) {
  rows_ += count;
  endInsertRows();
}

void SheetModel::RowsAboutToBeRemoved(int at, int count) {
  beginRemoveRows(QModelIndex(), at - 1, at - 1 + count - 1);
}

void SheetModel::RowsRemoved(int /*at*/, int count) {
  rows_ -= count;
  endRemoveRows();
}

void SheetModel::ColumnsAboutToBeInserted(int at, int count) {
  beginInsertColumns(QModelIndex(), at - 1, at - 1 + count - 1);
}

void SheetModel::ColumnsInserted(int /*at*/, int count) {
  cols_ += count;
  endInsertColumns();
}

void SheetModel::ColumnsAboutToBeRemoved(int at, int count) {
  beginRemoveColumns(QModelIndex(), at - 1, at - 1 + count - 1);
}

void SheetModel::ColumnsRemoved(int /*at*/, int count) {
  cols_ -= count;
  endRemoveColumns();
}

void SheetModel::ExtentChanged(const SheetExtent& extent) {
  // The blank margin is kept at the end of the grid: rows and columns beyond
  // the extent are blank, so they are added or taken away there.
  const int rows = ModelRows(extent);
  const int cols = ModelCols(extent);
  if (rows > rows_) {
    beginInsertRows(QModelIndex(), rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  } else if (rows < rows_) {
    beginRemoveRows(QModelIndex(), rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  }
  if (cols > cols_) {
    beginInsertColumns(QModelIndex(), cols_, cols - 1);
    cols_ = cols;
    endInsertColumns();
  } else if (cols < cols_) {
    beginRemoveColumns(QModelIndex(), cols, cols_ - 1);
    cols_ = cols;
    endRemoveColumns();
  }
}

void SheetModel::CellsChanged(const CellRect& rect) {
  const int left = std::max(rect.left, 1);
  const int right = std::min(rect.right, cols_);
  if (left > right) return;
  if (rect.top <= 0) emit headerDataChanged(Qt::Horizontal, left - 1, right - 1);
  const int top = std::max(rect.top, 1);
  const int bottom = std::min(rect.bottom, rows_);
  if (top > bottom) return;
  emit dataChanged(index(top - 1, left - 1), index(bottom - 1, right - 1));
}

void SheetModel::ColumnWidthsChanged(int first, int last) { emit WidthsChanged(first, last); }

// A cell's colour depends on the kind of document, its kind (the command
// table) and the colour options.
void SheetModel::KindChanged(DocumentKind /*kind*/) { Repaint(); }
void SheetModel::CommandsReset() { Repaint(); }
void SheetModel::OptionsReset() { Repaint(); }

}  // namespace typelane::ui
