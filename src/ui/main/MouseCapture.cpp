// Mouse click capture: typing *ML or *MR into a cell of a sheet file asks for
// the pointer's position and completes the cell with it, as *ML(412,88).

#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QPointer>
#include <optional>

#include "core/common/Prompter.h"
#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
#include "core/load/Platform.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/MainWindow.h"

namespace typelane::ui {

inline constexpr char kMouseCaptureMessage[] =
    "Position the mouse where you want the click to happen.\r"
    "Then press Enter to accept the position or Esc to cancel the process.\r"
    "Do not click on the OK button or the programmed mouse click will occur where the OK button "
    "is.";
inline constexpr char kMousePositionUnknown[] = "The position of the mouse could not be read.";

QString MainWindow::CaptureMousePosition(int column, int row, const QString& text) {
  // Storing the answer below shows it in the editor again, which is no new
  // capture (a cancelled one leaves *ML there).
  if (capturing_ || document_.Kind() != DocumentKind::kSheetFile) return text;
  const QString upper = text.toUpper();
  if (upper != QLatin1String("*ML") && upper != QLatin1String("*MR")) return text;
  const QModelIndex index = model_->index(row - 1, column - 1);
  if (!index.isValid()) return text;

  // The box takes the focus from the in-place editor, which would take that
  // as the end of editing and close: the user is still typing in the cell.
  const QPointer<QWidget> open_editor = grid_->indexWidget(index);
  QAbstractItemDelegate* delegate = grid_->itemDelegate();
  if (open_editor != nullptr && delegate != nullptr) open_editor->removeEventFilter(delegate);
  capturing_ = true;
  QString completed = text;
  if (document_.prompter().Message(kTitleInfo, kMouseCaptureMessage, Buttons::kOkCancel) ==
      Answer::kOk) {
    // The desktop's own pixels, as the load will click them (never Qt's
    // scaled coordinates).
    if (const std::optional<ScreenPoint> at = platform_.GetCursorPos()) {
      completed += QStringLiteral("(%1,%2)").arg(at->x).arg(at->y);
    } else {
      document_.prompter().Error(kMousePositionUnknown);
    }
  }

  if (open_editor != nullptr && delegate != nullptr) open_editor->installEventFilter(delegate);
  // The keys that follow belong to the cell: without a window manager nobody
  // hands the focus back from the closed box.
  activateWindow();

  // The user goes on typing in the cell after the completed text (should the
  // editor have closed all the same, it opens again on the cell).
  // The cell holds the answer (the three characters when cancelled), as the
  // cell-text box shows it: Esc in the editor then takes back only what is
  // typed after it, and box and cell agree.
  {
    const EditStep step(document_, "Mouse Capture");
    model_->setData(index, completed, Qt::EditRole);
  }
  auto* editor = qobject_cast<QLineEdit*>(grid_->indexWidget(index));
  if (editor == nullptr || !grid_->Editing()) {
    grid_->SetCurrentCell(row, column);
    grid_->setFocus();
    grid_->edit(index);
    editor = qobject_cast<QLineEdit*>(grid_->indexWidget(index));
  } else if (editor->text() != completed) {
    editor->setText(completed);
  }
  if (editor != nullptr) {
    editor->deselect();
    editor->setCursorPosition(static_cast<int>(editor->text().size()));
    editor->setFocus();
  }
  capturing_ = false;
  return completed;
}

}  // namespace typelane::ui
