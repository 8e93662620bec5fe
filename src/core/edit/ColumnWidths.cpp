#include "core/edit/ColumnWidths.h"

#include <algorithm>

#include "core/common/Numbers.h"
#include "core/forms/Playback.h"

namespace typelane {

SheetChange AutofitColumn(const EditContext& context, int column, int first_row, int last_row) {
  const Sheet& sheet = context.sheet;
  SheetChange change;
  int best = -1;
  for (int row = std::max(first_row, 0); row <= last_row; ++row) {
    const std::string_view text = sheet.Cell(row, column);
    if (text.empty()) continue;
    const int width = context.measure.Width(DecodeText(text));
    best = std::max(best, TruncatedProduct(width, row == 0 ? 1.4 : 1.1));
  }
  if (best < 0) return change;
  context.sheet.SetColumnWidth(column, best);
  change.widths = true;
  change.modified = context.kind != DocumentKind::kTabDelimited;
  return change;
}

SheetChange AutofitSelection(const EditContext& context, CellRect selection) {
  const Sheet& sheet = context.sheet;
  SheetChange change;
  if (sheet.LastRow() < selection.top || sheet.LastCol() < selection.left) return change;
  const int right = std::min(selection.right, sheet.LastCol());
  const int bottom = std::min(selection.bottom, sheet.LastRow());
  for (int col = selection.left; col <= right; ++col) {
    change.Merge(AutofitColumn(context, col, selection.top, bottom));
  }
  return change;
}

SheetChange FitColumnToTitle(const EditContext& context, int column) {
  typelane::FitColumnToTitle(context.sheet, context.measure, column);
  SheetChange change;
  change.widths = true;
  return change;
}

SheetChange FitColumnsToTitles(const EditContext& context) {
  typelane::FitColumnsToTitles(context.sheet, context.measure);
  SheetChange change;
  change.widths = true;
  return change;
}

}  // namespace typelane
