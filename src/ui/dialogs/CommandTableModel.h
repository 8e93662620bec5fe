#pragma once

#include <QAbstractTableModel>
#include <string>

namespace typelane {
class CommandTable;
}

namespace typelane::ui {

// grdCommands' data: a CommandTable read and written in place. The table's
// header row is the view's horizontal header (not editable); the model's row r
// is the table's row r + 1.
class CommandTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit CommandTableModel(CommandTable& table, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // Table coordinates: row 0 is the header.
  const std::string& Cell(int row, int col) const;
  void SetCell(int row, int col, const std::string& text);
  // Adds an empty row at the end of the table.
  void AppendRow();

  // The table was changed behind the model's back (packed, loaded).
  void Reload();

 private:
  CommandTable& table_;
};

}  // namespace typelane::ui
