#include "ui/dialogs/DelayTableModel.h"

#include "core/load/DelaySettings.h"
#include "ui/common/CellText.h"

namespace typelane::ui {

DelayTableModel::DelayTableModel(DelaySettings& delays, QObject* parent)
    : QAbstractTableModel(parent), delays_(delays) {}

int DelayTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(delays_.CommandDelays().size());
}

int DelayTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

std::string DelayTableModel::Cell(int row, int col) const {
  const auto& rows = delays_.CommandDelays();
  if (row < 0 || row >= static_cast<int>(rows.size())) return {};
  const auto& entry = rows[static_cast<size_t>(row)];
  return col == 0 ? entry.name : entry.value;
}

void DelayTableModel::SetCell(int row, int col, const std::string& text) {
  auto& rows = delays_.MutableCommandDelays();
  if (row < 0 || row >= static_cast<int>(rows.size())) return;
  auto& entry = rows[static_cast<size_t>(row)];
  (col == 0 ? entry.name : entry.value) = text;
  const QModelIndex at = index(row, col);
  emit dataChanged(at, at);
}

QVariant DelayTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  return BytesToText(Cell(index.row(), index.column()));
}

bool DelayTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const std::string previous = Cell(index.row(), index.column());
  SetCell(index.row(), index.column(), TextToBytes(value.toString(), previous));
  return true;
}

Qt::ItemFlags DelayTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void DelayTableModel::Reload() {
  beginResetModel();
  endResetModel();
}

}  // namespace typelane::ui
