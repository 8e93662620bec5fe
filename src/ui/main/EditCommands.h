#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "core/document/DocumentObserver.h"
#include "core/edit/FillCells.h"
#include "core/edit/InsertDelete.h"

class QMimeData;

namespace typelane::ui {

class MainWindow;

// The Edit menu, the grid's pop-up menu and the Cut / Copy / Paste buttons of
// frmTypelane, over the core's editing rules: each command takes the grid's
// selection as one range, runs its rule on the document's sheet and hands what
// changed to the document (FinishEdit), whose events the grid's model
// follows. Also the grid's click (drop-list check of the cell left, automatic
// command insertion), its Delete, Backspace and Shift+Insert, the title-row
// double-clicks, and Save and the size text following the document.
class EditCommands : public QObject, public DocumentObserver {
  Q_OBJECT

 public:
  // The grid's own clipboard format, beside the tab-separated text: the
  // comments of the copied cells. On Windows Qt registers it as the clipboard
  // format "Typelane".
  static const QString& CommentFormat();

  explicit EditCommands(MainWindow& window);
  ~EditCommands() override;

  // Cut, Copy, Paste and Clear act on the control that has the focus: the
  // grid, the cell-text box, the description, the window name (Copy also the
  // source view). With the focus in the grid's in-place editor they do nothing.
  // A toolbar button reached with Tab acts on the control the user last worked in.
  void Cut();
  void Copy();
  void Paste();
  void Clear();
  // The grid's own Paste (Shift+Insert): no drop-list check afterwards.
  void GridPaste();
  void Fill(FillDirection direction);
  void Insert(WholeCells kind);
  void Delete(WholeCells kind);
  void AutofitSelection();
  void AutofitColumn(int col);
  void ClearTitle();
  void ClearAllTitles();
  void AddComment();
  void DeleteComment();

  // ---- the document's events ----
  void ModifiedChanged(bool modified) override;
  void ExtentChanged(const SheetExtent& extent) override;
  void SheetReset(const SheetExtent& extent) override;

 private:
  void Connect();
  // grdTypelaneClick: the grid's current cell was set.
  void CellClicked(int row, int col);
  void PasteIntoGrid(bool check_drop_lists);
  // The control Cut, Copy, Paste and Clear act on (see Cut).
  QWidget* EditTarget() const;
  // After an edit: the cell-text box shows the current cell again.
  void ShowCurrent();

  MainWindow& window_;
  // The last of those controls to have the focus.
  QPointer<QWidget> edit_target_;
  // Set while the grid moves back to a cell whose value its drop list refused.
  bool checks_suspended_ = false;
};

}  // namespace typelane::ui
