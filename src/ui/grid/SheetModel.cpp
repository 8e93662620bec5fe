#include "ui/grid/SheetModel.h"

#include <QColor>

#include "core/document/Document.h"
#include "core/sheet/CellKind.h"
#include "ui/common/CellText.h"

namespace typelane::ui {
namespace {

// Colours are stored as 0x00BBGGRR.
QColor FromColourRef(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

}  // namespace

SheetModel::SheetModel(Document& document, QObject* parent)
    : QAbstractTableModel(parent), document_(document) {
  rows_ = RowsFor(document_.sheet.LastRow());
  cols_ = ColsFor(document_.sheet.LastCol(), document_.sheet.BlankCols());
  header_font_.setBold(true);
}

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
    case Qt::EditRole:
      return BytesToText(sheet.Cell(row, col));
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
    case Qt::ToolTipRole:
      return {};
    default:
      return {};
  }
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const int row = index.row() + 1;
  const int col = index.column() + 1;
  Sheet& sheet = document_.sheet;
  const std::string_view previous = sheet.Cell(row, col);
  std::string bytes = TextToBytes(value.toString(), previous);
  if (bytes == previous) return true;
  sheet.SetCell(row, col, bytes);
  if (!bytes.empty()) sheet.RaiseExtent(row, col);
  Refresh();
  emit CellChanged(row, col);
  return true;
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::FontRole) return header_font_;
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Vertical) return QString::number(section + 1);
  return BytesToText(document_.sheet.Cell(0, section + 1));
}

void SheetModel::Refresh() {
  const int rows = RowsFor(document_.sheet.LastRow());
  const int cols = ColsFor(document_.sheet.LastCol(), document_.sheet.BlankCols());
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
  if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
  if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
}

void SheetModel::Reload() {
  beginResetModel();
  rows_ = RowsFor(document_.sheet.LastRow());
  cols_ = ColsFor(document_.sheet.LastCol(), document_.sheet.BlankCols());
  endResetModel();
}

}  // namespace typelane::ui
