#include "ui/dialogs/CommandTableModel.h"

#include "core/load/CommandTable.h"
#include "ui/common/CellText.h"

namespace typelane::ui {

CommandTableModel::CommandTableModel(CommandTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int CommandTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.RowCount() - 1;
}

int CommandTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.ColCount();
}

const std::string& CommandTableModel::Cell(int row, int col) const { return table_.Cell(row, col); }

void CommandTableModel::SetCell(int row, int col, const std::string& text) {
  if (row < 1 || col < 0 || col >= table_.ColCount()) return;
  // A name or definition typed into the last row makes the table grow by an
  // empty row, which the view must hear of first.
  const int rows = table_.RowCount();
  if (row >= rows) return;
  const bool grows = row == rows - 1 && !text.empty();
  if (grows) beginInsertRows({}, rows - 1, rows - 1);
  table_.SetCell(row, col, text);
  if (grows) endInsertRows();
  const QModelIndex at = index(row - 1, col);
  emit dataChanged(at, at);
}

void CommandTableModel::AppendRow() {
  const int rows = table_.RowCount();
  beginInsertRows({}, rows - 1, rows - 1);
  table_.InsertRow(rows);
  endInsertRows();
}

QVariant CommandTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return BytesToText(table_.Cell(index.row() + 1, index.column()));
}

bool CommandTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const int row = index.row() + 1;
  const std::string& previous = table_.Cell(row, index.column());
  const std::string text = TextToBytes(value.toString(), previous);
  if (text == previous) return true;
  SetCell(row, index.column(), text);
  return true;
}

Qt::ItemFlags CommandTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant CommandTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return BytesToText(table_.Cell(0, section));
  return section + 1;
}

void CommandTableModel::Reload() {
  beginResetModel();
  endResetModel();
}

}  // namespace typelane::ui
