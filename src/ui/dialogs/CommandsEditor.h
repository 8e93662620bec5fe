#pragma once

#include <QDialog>
#include <map>
#include <string>
#include <utility>

class QPushButton;
class QTableView;

namespace typelane {
class Document;
}

namespace typelane::ui {

class CommandTableModel;
class DelaysDialog;

// frmCommands, "Commands": a view over the document's CommandTable. Edits go
// into the table as they are made; each edited cell keeps a backup of its text
// from before the first key, so Cancel (or closing the window) puts every
// edited cell back. OK packs the table, "Make Default" writes commands.dat,
// "Load Defaults" reads it. The grid always ends in an empty row to type into.
class CommandsEditor : public QDialog {
  Q_OBJECT

 public:
  explicit CommandsEditor(Document& document, QWidget* parent = nullptr);
  ~CommandsEditor() override;

  // OK synchronises the per-command delays through this window (so their
  // backups follow their rows); without one, directly.
  void SetDelaysDialog(DelaysDialog* delays) { delays_ = delays; }

  // The document's table was replaced (New, Open): hidden, no backups, the
  // changed flag clear, as a new window.
  void DocumentReset();

  // The buttons.
  void ApplyCommands();   // OK
  void CancelCommands();  // Cancel, and closing the window
  void MakeDefault();     // "Make Default"
  void LoadDefaults();    // "Load Defaults"

  bool Changed() const { return changed_; }
  bool HasBackup(int row, int col) const { return backups_.count({row, col}) != 0; }
  QTableView* Grid() const { return grid_; }

 signals:
  // OK found something edited: the sheet is now modified.
  void Modified();
  // The table or its groups changed (Load Defaults, OK, Cancel restoring):
  // the group list and the cells' kinds must be shown again.
  void CommandsChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  // The first key in a cell: backup, Cancel on, changed; a key in the last
  // row adds an empty row below it.
  void CellEdited();

  Document& document_;
  DelaysDialog* delays_ = nullptr;
  CommandTableModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QPushButton* cancel_ = nullptr;
  // (table row, column) -> the text before the first key.
  std::map<std::pair<int, int>, std::string> backups_;
  bool changed_ = false;
};

}  // namespace typelane::ui
