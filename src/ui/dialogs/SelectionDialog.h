#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QRadioButton;
class QTimer;

namespace typelane {
class FieldReader;
class Platform;
class Prompter;
}  // namespace typelane

namespace typelane::ui {

class SelectionWindowCombo;

// frmSelection, "Typelane": asked before every load. Which cells (all, or the
// grid's selection), which command group (picked from the list only) and
// which window (typed, or picked from the visible windows in Z order; never
// one of ours). After a load that stopped inside a row, a third choice
// resumes at the cell where it stopped. While the VerifyPaste option is on it
// tells whether the chosen window's fields can be read back (lblVerify).
// Made for one Send Data and freed after it.
class SelectionDialog : public QDialog {
  Q_OBJECT

 public:
  struct Start {
    std::vector<std::string> groups;    // the main window's group names
    std::string group;                  // its group text
    std::string window_title;           // its target title
    bool multi_cell_selection = false;  // the grid's selection covers several cells
    std::string own_caption;            // the main window's caption, never offered
    // Where the last load of this file stopped inside a row; 0, 0: nowhere.
    // Offered as "Resume at row r, cell c", checked.
    int resume_row = 0;
    int resume_col = 0;
    // The reader of the VerifyPaste option; null while the option is off
    // (the dialog then says nothing of verifying).
    FieldReader* fields = nullptr;
  };

  SelectionDialog(const Start& start, Platform& platform, Prompter& prompter,
                  QWidget* parent = nullptr);
  ~SelectionDialog() override;

  // After OK.
  bool AllCells() const;
  // "Resume at row r, cell c" (only when offered).
  bool ResumeChosen() const;
  std::string Group() const;
  std::string WindowTitle() const;

  // Refills the window list from the platform (what dropping it down does).
  void FillWindowTitles();

  // Whether the chosen window's fields can be read back, in words ("" while
  // the option is off or no window has the title).
  QString VerifyText() const;
  // Looks again at once (the dialog looks a moment after the title changes).
  void CheckVerify();

  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Platform& platform_;
  Prompter& prompter_;
  FieldReader* fields_ = nullptr;
  QLabel* verify_label_ = nullptr;
  QTimer* verify_timer_ = nullptr;
  QRadioButton* all_ = nullptr;
  QRadioButton* selected_ = nullptr;
  QRadioButton* resume_ = nullptr;
  QComboBox* group_box_ = nullptr;
  SelectionWindowCombo* window_box_ = nullptr;
  std::string start_group_;
  std::string start_window_;
};

}  // namespace typelane::ui
