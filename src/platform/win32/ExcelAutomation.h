#pragma once

namespace typelane::win32 {

enum class ExcelCopy {
  kCopied,      // Excel put the cells on the clipboard
  kNotRunning,  // no running Excel: "Excel is not currently running. ..."
  kFailed,      // Excel was found but refused (busy editing a cell, say): paste nothing
};

inline constexpr const char* kExcelNotRunningMessage =
    "Excel is not currently running. Please start Excel before using the import function.";

// Asks the running Microsoft Excel, through its automation interface, to copy
// its selection to the clipboard; with all_cells, first selects every cell of
// its active sheet ("Cells", "Select"), then "Selection", "Copy". COM is set up
// and torn down around the call, and every interface obtained is released.
ExcelCopy CopyExcelSelection(bool all_cells);

}  // namespace typelane::win32
