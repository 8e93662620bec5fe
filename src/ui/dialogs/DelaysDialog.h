#pragma once

#include <QDialog>
#include <map>
#include <string>
#include <utility>

class QGridLayout;
class QLineEdit;
class QTableView;
class QTabWidget;
class QPushButton;

namespace typelane {
class Document;
}

namespace typelane::ui {

class DelayTableModel;

// frmDelay, "Typelane Delays": a view over the document's DelaySettings. The
// eight boxes change the stored delays only on OK; the per-command grid edits
// the table directly, and Cancel puts back every value cell the user touched
// (each keeps a backup of its text from the first key pressed in it).
class DelaysDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DelaysDialog(Document& document, QWidget* parent = nullptr);
  ~DelaysDialog() override;

  // The document's delays were replaced (New, Open): the window starts over as
  // a new one would, hidden, with no backups and the changed flag clear.
  void DocumentReset();

  // Makes the per-command grid list the command table's names; the backups go
  // with their rows.
  void SyncCommandDelays();

  // The buttons.
  bool ApplyDelays();  // OK: false (after the message) when a box is not a number
  void CancelDelays();
  void ResetDelays();

  bool Changed() const { return changed_; }
  bool HasBackup(int row, int col) const { return backups_.count({row, col}) != 0; }
  QTableView* Grid() const { return grid_; }

 signals:
  // OK found something changed: the sheet is now modified.
  void Modified();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* AddBox(QWidget* page, QGridLayout* layout, int row, const char* caption,
                    const char* name);
  void FillBoxes();
  void BackupCurrentCell();
  void RestoreValueBackups();
  void ShowError(const QString& text);
  void FocusBox(QLineEdit* box);
  QString OutOfRangeMessage(QLineEdit* box, const QString& text, const QString& most,
                            const QString& unit);

  Document& document_;
  QTabWidget* pages_ = nullptr;
  QLineEdit* data_box_ = nullptr;
  QLineEdit* cell_box_ = nullptr;
  QLineEdit* form_box_ = nullptr;
  QLineEdit* paste_box_ = nullptr;
  QLineEdit* verify_box_ = nullptr;
  QLineEdit* key_box_ = nullptr;
  QLineEdit* system_box_ = nullptr;
  QLineEdit* menu_box_ = nullptr;
  QLineEdit* hour_glass_box_ = nullptr;
  QTableView* grid_ = nullptr;
  DelayTableModel* model_ = nullptr;
  // (row, column) of the per-command grid -> the text before the first key.
  std::map<std::pair<int, int>, std::string> backups_;
  bool changed_ = false;
};

}  // namespace typelane::ui
