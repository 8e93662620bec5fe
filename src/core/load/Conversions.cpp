#include "core/load/Conversions.h"

#include "core/sheet/CellKind.h"
#include "core/sheet/Sheet.h"

namespace typelane {

std::optional<std::string> ConvertCellText(std::string_view text, const CommandNames& commands,
                                           Conversion conversion) {
  if (text.empty()) return std::nullopt;
  switch (conversion) {
    case Conversion::kKeystroke:
      // Anything already beginning with "\" stays: keystrokes and escaped data.
      if (text[0] != '\\' && !commands.IsCommand(text)) return "\\" + std::string(text);
      break;
    case Conversion::kCopyPaste:
      if (IsKeystrokeText(text)) return std::string(text.substr(1));
      break;
    case Conversion::kAutoTab:
      if (text[0] == '&') return std::string(text.substr(1));
      break;
    case Conversion::kNoAutoTab:
      if (text[0] != '&' && !commands.IsCommand(text)) return "&" + std::string(text);
      break;
  }
  return std::nullopt;
}

bool ConvertCells(Sheet& sheet, const CommandNames& commands, const CellRect& selection,
                  Conversion conversion) {
  const CellRect range = ClipToExtent(sheet, selection);
  if (range.Empty()) return false;
  for (int row = range.top; row <= range.bottom; ++row) {
    for (int col = range.left; col <= range.right; ++col) {
      if (auto changed = ConvertCellText(sheet.Cell(row, col), commands, conversion)) {
        sheet.SetCell(row, col, *changed);
      }
    }
  }
  return true;
}

}  // namespace typelane
