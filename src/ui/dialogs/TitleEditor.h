#pragma once

#include <QDialog>
#include <QStringList>

class QTableWidget;

namespace typelane::ui {

// frmTitle, "Typelane Heading Editor": the title row of the sheet in one
// editable row (grdTitles), opened at the main grid's current column. OK gives
// the edited row; Cancel, Escape or closing keeps the old titles. Every key
// typed is reported (the document counts it as a change even when cancelled).
class TitleEditor : public QDialog {
  Q_OBJECT

 public:
  // titles[0] is column 1's title; current_column is a sheet column (from 1).
  TitleEditor(const QStringList& titles, int current_column, QWidget* parent = nullptr);

  // The titles as edited, column 1 first (the same count as given).
  QStringList Titles() const;

 signals:
  void KeyTyped();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Opens the current title cell for typing (once the window is active).
  void OpenEditor();

  QTableWidget* grid_;
  int current_column_;
  bool editor_opened_ = false;
};

}  // namespace typelane::ui
