#pragma once

#include <QObject>

#include "core/document/DocumentObserver.h"

class QAction;
class QToolButton;

namespace typelane::ui {

class MainWindow;

// Edit > Undo and Redo, at the top of the Edit menu, and their toolbar
// buttons beside Paste: a thin view over the document's undo history
// (core/document/UndoHistory). Their texts name the step ("&Undo Paste",
// "&Redo Fill Down"); they are disabled while there is nothing to take back
// or repeat.
//
// With the focus in a text box (the grid's in-place editor, the cell-text
// box, the description, the window name, the note box) they act on that box's
// own typing, as Ctrl+Z does there; the sheet's steps come back once the box
// is left.
class UndoCommands : public QObject, public DocumentObserver {
  Q_OBJECT

 public:
  explicit UndoCommands(MainWindow& window);
  ~UndoCommands() override;

  void Undo();
  void Redo();

  void HistoryChanged() override;
  void SheetReset(const SheetExtent& extent) override;

 private:
  // After a step went back or forth: the grid selects the cells it changed,
  // the cell-text box shows the current cell.
  void ShowChange(const CellRect& cells);

  MainWindow& window_;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QToolButton* undo_button_ = nullptr;
  QToolButton* redo_button_ = nullptr;
};

}  // namespace typelane::ui
