#pragma once

#include <QWidget>

#include "ui/dialogs/ProgressFeed.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace typelane::ui {

// frmProgress, "Typelane Progress": how far a load is within its row (Cols)
// and over its rows (Rows); while the load waits for the user to let go of
// Ctrl, Shift or Alt, or holds for its target (busy, not taking the paste,
// not in front), it says so instead and offers Stop and, while the target is
// not in front, Continue. It never takes the keyboard focus, so the keys of
// a load keep going to the target. A load writes its progress into Feed()
// from whatever thread it runs on; a timer of this window reads it. Closing
// the window (or minimising it, where a window manager offers that) only hides
// it, and it comes back where the user left it, at its fixed size.
class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent = nullptr);
  ~ProgressWindow() override;

  ProgressFeed& Feed() { return feed_; }

  // Both bars at 0, shown without taking the focus.
  void ShowProgress();
  // Reads the feed into the bars now (the timer does this while shown).
  void UpdateBars();

  int ColumnValue() const;
  int RowValue() const;
  // What the window says while the load waits (held keys, or the target);
  // "" otherwise.
  QString WaitText() const;

  // The words for a wait for held modifier keys (ModifierBits).
  static QString HeldKeysText(unsigned held);

 signals:
  // Stop (btnStop) and Continue (btnContinue), offered while the load holds.
  void StopClicked();
  void ContinueClicked();

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  ProgressFeed feed_;
  QProgressBar* col_bar_ = nullptr;
  QProgressBar* row_bar_ = nullptr;
  // Stands in the bars' place while the load waits for held keys.
  QLabel* held_label_ = nullptr;
  // Stands there while the load holds for its target (lblWait).
  QLabel* wait_label_ = nullptr;
  QList<QWidget*> bar_widgets_;
  QPushButton* stop_button_ = nullptr;
  QPushButton* continue_button_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace typelane::ui
