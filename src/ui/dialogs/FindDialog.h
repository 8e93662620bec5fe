#pragma once

#include <QDialog>

#include "core/edit/FindReplace.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace typelane::ui {

// frmFind: the small Find and Replace window beside the main window. It does
// not block the sheet: the user may go on editing while it is open. Every
// control has an access key (Alt+N, the text; Alt+F, find the next...), Enter
// finds the next match, Esc closes. Opened for Find it shows no replacement
// row; for Replace it does. What it finds is told in its own status line.
class FindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FindDialog(QWidget* parent = nullptr);

  // Find (replace false) or Replace: the window's title, the replacement
  // row and its buttons.
  void SetReplaceMode(bool replace);
  bool ReplaceMode() const { return replace_mode_; }
  // Offers "In selection" (checked) when the grid had more than one cell
  // selected as the dialog opened; otherwise it is off and not offered.
  void OfferSelection(bool offer);
  // Titles are searched only where the sheet has them.
  void OfferTitles(bool offer);
  // The search as the controls give it (text as typed, UTF-8).
  FindOptions Options() const;
  bool InSelection() const;
  std::string Replacement() const;
  // Puts the cursor into the search text, all of it selected.
  void FocusText();
  // The status line: what the last search found or did.
  void SetStatus(const QString& text);
  QString Status() const;

 signals:
  void FindRequested(bool forward);
  void ReplaceRequested();
  void ReplaceAllRequested();

 private:
  bool replace_mode_ = false;
  QLineEdit* find_text_ = nullptr;
  QLabel* replace_label_ = nullptr;
  QLineEdit* replace_text_ = nullptr;
  QCheckBox* match_case_ = nullptr;
  QCheckBox* whole_cell_ = nullptr;
  QCheckBox* in_selection_ = nullptr;
  QCheckBox* titles_ = nullptr;
  QCheckBox* comments_ = nullptr;
  QPushButton* find_next_ = nullptr;
  QPushButton* find_previous_ = nullptr;
  QPushButton* replace_ = nullptr;
  QPushButton* replace_all_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace typelane::ui
