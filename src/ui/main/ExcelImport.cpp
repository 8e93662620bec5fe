// Tools > Excel Import: the running Excel copies its cells, the ordinary Paste
// puts them into the sheet, and the load may follow.

#include <QApplication>
#include <QClipboard>

#include "core/common/Prompter.h"
#include "core/document/Document.h"
#include "core/document/DocumentEditing.h"
#include "ui/main/DialogHost.h"
#include "ui/main/EditCommands.h"
#include "ui/main/ExcelSource.h"
#include "ui/main/LoadRunner.h"
#include "ui/main/MainWindow.h"
#if defined(TYPELANE_HAVE_WIN32)
#include "platform/win32/ExcelAutomation.h"
#endif

namespace typelane::ui {

inline constexpr char kExcelNotRunning[] =
    "Excel is not currently running. Please start Excel before using the import function.";
// Excel was found but gave nothing to paste.
inline constexpr char kExcelCopyFailed[] =
    "Excel did not copy its cells. Finish editing the cell in Excel and try again.";

ExcelCopyResult CopyFromRunningExcel(bool all_cells) {
#if defined(TYPELANE_HAVE_WIN32)
  switch (win32::CopyExcelSelection(all_cells)) {
    case win32::ExcelCopy::kCopied:
      return ExcelCopyResult::kCopied;
    case win32::ExcelCopy::kFailed:
      return ExcelCopyResult::kFailed;
    case win32::ExcelCopy::kNotRunning:
      break;
  }
  return ExcelCopyResult::kNotRunning;
#else
  (void)all_cells;
  return ExcelCopyResult::kNotRunning;
#endif
}

void MainWindow::ExcelImport() {
  const bool all_cells = document_.options.data_source == 1;
  const ExcelCopyResult copied =
      excel_source_ ? excel_source_(all_cells) : CopyFromRunningExcel(all_cells);
  switch (copied) {
    case ExcelCopyResult::kCopied:
      // Exactly what a manual Paste does, to whichever control has the focus;
      // then Excel's copy does not stay on the clipboard.
      {
        const EditStep step(document_, "Excel Import");
        edit_commands_->Paste();
      }
      QApplication::clipboard()->setText(QString());
      break;
    case ExcelCopyResult::kNotRunning:
      document_.prompter().Error(kExcelNotRunning);
      break;
    case ExcelCopyResult::kFailed:
      // Nothing is pasted from a copy that did not happen, and no load
      // starts over data the user meant to replace.
      document_.prompter().Error(kExcelCopyFailed);
      return;
  }
  // The load follows the import in a sheet file, whether or not Excel was
  // there.
  if (document_.options.import_load == 1 && document_.Kind() == DocumentKind::kSheetFile) {
    dialogs_->Runner()->SendData();
  }
}

}  // namespace typelane::ui
