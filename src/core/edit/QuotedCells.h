#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace typelane {

// Spreadsheet programs put a cell that holds a TAB, a line break or starts
// with a double quote on the clipboard's text in CSV-style quoting: the cell
// between double quotes, each double quote inside doubled ("two<LF>lines").
// The sheet keeps one line per row and separates cells by TAB, so such a cell
// is read as one cell whose line breaks and TABs become single spaces.

// True when one of the clipboard's format names is a spreadsheet program's
// own (CSV, TSV, LibreOffice's and Gnumeric's, Excel's on Windows): its text
// is then quoted by that program's rule.
bool OffersSpreadsheetFormat(const std::vector<std::string>& formats);

// The pasted text (lines ending in LF, CR LF or CR) as the rows Paste takes:
// cells separated by TAB, each line ending CR LF (a text without a final line
// break gets none). Read quoted when from_spreadsheet and the whole text
// parses as quoted TSV, or, without it, when it parses and at least one quoted
// cell holds what only quoting can carry (TAB, line break, doubled quote), so
// that plain text with quotes in it keeps its quotes. Otherwise nullopt: the
// text is read as it stands.
std::optional<std::string> ReadQuotedCells(std::string_view text, bool from_spreadsheet);

}  // namespace typelane
