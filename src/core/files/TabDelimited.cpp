#include "core/files/TabDelimited.h"

#include <vector>

#include "core/common/FileText.h"
#include "core/common/SpanLineSource.h"
#include "core/sheet/Sheet.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {

void ReadTabDelimited(Sheet& sheet, std::span<const std::string_view> lines) {
  SpanLineSource source(lines);
  ReadTabDelimited(sheet, source);
}

void ReadTabDelimited(Sheet& sheet, LineSource& lines) {
  std::vector<std::string_view> fields;
  std::string_view line;
  int row = 0;
  while (lines.Next(line)) {
    // Room for the rows to come, once the first line has shown how long a
    // line is.
    if (row == 0) sheet.ReserveRows(static_cast<int>(lines.RemainingHint()) + 2);
    ++row;
    SplitWordsInto(line, '\t', fields);
    if (static_cast<int>(fields.size()) > sheet.LastCol()) {
      sheet.SetLastCol(static_cast<int>(fields.size()));
    }
    if (!fields.empty()) sheet.SetRowCells(row, fields);
  }
  sheet.SetLastRow(row);
}

void WriteTabDelimited(const Sheet& sheet, TextOut& out) {
  const int last_row = sheet.LastRow();
  const int last_col = sheet.LastCol();
  for (int r = 1; r <= last_row; ++r) {
    for (int c = 1; c <= last_col; ++c) {
      if (c > 1) out.Append('\t');
      out.Append(sheet.Cell(r, c));
    }
    out.EndLine();
  }
}

}  // namespace typelane
