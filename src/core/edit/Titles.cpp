#include "core/edit/Titles.h"

#include <algorithm>

#include "core/edit/ColumnWidths.h"

namespace typelane {

bool IsAutomaticTitle(const CommandNames& commands, std::string_view title) {
  return title.empty() || title == "Data" || title == "Key Strokes" || commands.IsCommand(title);
}

SheetChange UpdateColumnTitleFromRow1(const EditContext& context, int column, TitleSource source) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  if (column < 1 || !IsAutomaticTitle(context.commands, sheet.Cell(0, column))) return change;
  const std::string value(sheet.Cell(1, column));
  std::string title = "Data";
  if (context.commands.IsCommand(value)) {
    title = value;
  } else if (source == TitleSource::kGrid
                 ? IsKeystrokeText(value)
                 : (!value.empty() && value.front() == '{' && value.back() == '}')) {
    title = "Key Strokes";
  }
  if (sheet.Cell(0, column) != title) {
    sheet.SetCell(0, column, title);
    change.Touch(0, column);
  }
  if (source == TitleSource::kGrid && context.title_size) {
    change.Merge(FitColumnToTitle(context, column));
  }
  return change;
}

SheetChange ClearTitles(const EditContext& context, int left, int right) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  left = std::max(left, 1);
  const int stored = sheet.StoredCols(0) - 1;
  if (stored < left || right < left) return change;
  std::vector<std::string_view> cells(static_cast<size_t>(stored));
  for (int col = 1; col <= stored; ++col) {
    if (col < left || col > right) cells[static_cast<size_t>(col - 1)] = sheet.Cell(0, col);
  }
  sheet.SetRowCells(0, cells);
  change.Touch(0, left, 0, std::min(right, stored));
  return change;
}

SheetChange ClearAllTitles(const EditContext& context) {
  return ClearTitles(context, 1, std::max(context.sheet.StoredCols(0) - 1, 0));
}

SheetChange SetTitles(const EditContext& context, const std::vector<std::string>& titles) {
  Sheet& sheet = context.sheet;
  SheetChange change;
  const int count = std::max(static_cast<int>(titles.size()) - 1, sheet.StoredCols(0) - 1);
  std::vector<std::string> bytes(static_cast<size_t>(std::max(count, 0)));
  for (int col = 1; col <= count; ++col) {
    const std::string_view old = sheet.Cell(0, col);
    const std::string_view typed = col < static_cast<int>(titles.size())
                                       ? std::string_view(titles[static_cast<size_t>(col)])
                                       : std::string_view();
    bytes[static_cast<size_t>(col - 1)] = context.TypedBytes(old, typed);
    if (bytes[static_cast<size_t>(col - 1)] != old) change.Touch(0, col);
  }
  const std::vector<std::string_view> cells(bytes.begin(), bytes.end());
  sheet.SetRowCells(0, cells);
  change.modified = !change.cells.Empty();
  return change;
}

std::vector<std::string> TitlesForEditor(const Sheet& sheet) {
  std::vector<std::string> titles(static_cast<size_t>(sheet.Extent().GridCols()));
  const int stored = std::min(sheet.StoredCols(0), sheet.Extent().GridCols());
  for (int col = 1; col < stored; ++col) {
    titles[static_cast<size_t>(col)] = DecodeText(sheet.Cell(0, col));
  }
  return titles;
}

}  // namespace typelane
