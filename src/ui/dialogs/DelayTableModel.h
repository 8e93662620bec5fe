#pragma once

#include <QAbstractTableModel>

namespace typelane {
class DelaySettings;
}

namespace typelane::ui {

// grdDelays' data: the per-command delays of a DelaySettings, two columns
// (command name, extra seconds as text), read and written in place.
class DelayTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DelayTableModel(DelaySettings& delays, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The cell's bytes and writing them (row and column from 0).
  std::string Cell(int row, int col) const;
  void SetCell(int row, int col, const std::string& text);

  // The table was changed behind the model's back (synchronised, replaced).
  void Reload();

 private:
  DelaySettings& delays_;
};

}  // namespace typelane::ui
