#pragma once

#include <QObject>
#include <QString>

#include "core/edit/FindReplace.h"
#include "ui/grid/GridRect.h"

namespace typelane::ui {

class FindDialog;
class MainWindow;

// Edit > Find (Ctrl+F), Find Next (F3), Find Previous (Shift+F3) and Replace
// (Ctrl+H) over the sheet (core/edit/FindReplace), with the Find window
// (FindDialog). A search starts from the current cell; a match becomes the
// current cell (a match in a title: row 1 of its column; in a comment: the
// cell, with its note shown). What happened is said in the Find window's
// status line, and in the status bar while the window is closed: no message
// box for a search that found nothing. Replace All is one undo step.
class FindCommands : public QObject {
  Q_OBJECT

 public:
  explicit FindCommands(MainWindow& window);

  // Opens the Find window for Find or for Replace.
  void Open(bool replace);
  // Finds the next (previous) match of the last search; without one yet,
  // opens the Find window.
  void FindAgain(bool forward);
  void ReplaceOne();
  void ReplaceAll();

  FindDialog* Dialog() const { return dialog_; }

 private:
  CellRect Scope() const;
  // Says text in the Find window and, while it is closed, the status bar.
  void Say(const QString& text);
  void Show(const FindHit& hit);

  MainWindow& window_;
  FindDialog* dialog_ = nullptr;
  // The selection when the window opened: the area of "In selection".
  GridRect selection_;
  // The last match made current (row 0 for a title).
  std::optional<FindHit> last_hit_;
  FindOptions last_options_;
};

}  // namespace typelane::ui
