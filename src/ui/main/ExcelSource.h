#pragma once

#include <functional>

namespace typelane::ui {

// What asking Excel for its cells gave.
enum class ExcelCopyResult {
  kCopied,      // Excel put the cells on the clipboard
  kNotRunning,  // there is no running Excel to ask
  kFailed,      // Excel was found but did not copy (busy editing a cell, say)
};

// Asks the running Excel to copy its selection to the clipboard; with
// all_cells, every cell of its active sheet is selected first.
using ExcelSource = std::function<ExcelCopyResult(bool all_cells)>;

// The running Microsoft Excel through its automation interface on Windows;
// elsewhere there is never a running Excel.
ExcelCopyResult CopyFromRunningExcel(bool all_cells);

}  // namespace typelane::ui
