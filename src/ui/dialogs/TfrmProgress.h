#pragma once

#include <QWidget>

#include "ui/dialogs/ProgressFeed.h"

class QProgressBar;
class QTimer;

namespace typelane::ui {

// frmProgress, "Typelane Progress": how far a load is within its row (Cols)
// and over its rows (Rows). It never takes the keyboard focus, so the keys of
// a load keep going to the target. A load writes its progress into Feed()
// from whatever thread it runs on; a timer of this window reads it. Closing
// the window only hides it, and it comes back where the user left it.
class TfrmProgress : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmProgress(QWidget* parent = nullptr);
  ~TfrmProgress() override;

  ProgressFeed& Feed() { return feed_; }

  // Both bars at 0, shown without taking the focus.
  void ShowProgress();
  // Reads the feed into the bars now (the timer does this while shown).
  void UpdateBars();

  int ColumnValue() const;
  int RowValue() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  ProgressFeed feed_;
  QProgressBar* col_bar_ = nullptr;
  QProgressBar* row_bar_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace typelane::ui
