#include "core/sheet/CellKind.h"

#include "core/common/Text.h"

namespace typelane {

std::string_view CellKindText(CellKind kind) {
  switch (kind) {
    case CellKind::kFixed:
      return "FIXED";
    case CellKind::kCommand:
      return "COMMAND";
    case CellKind::kUnused:
      return "UNUSED";
    case CellKind::kKeystroke:
      return "KEYSTROKE";
    case CellKind::kBlank:
      return "BLANK";
    case CellKind::kData:
      return "DATA";
  }
  return "DATA";
}

bool IsBuiltInCommand(std::string_view text) {
  if (text.empty() || text[0] != '*') return false;
  return StartsWithNoCase(text, "*SL") || StartsWithNoCase(text, "*CW") ||
         StartsWithNoCase(text, "*ML(") || StartsWithNoCase(text, "*MR(");
}

CellKind GetCellKind(const Sheet& sheet, const CommandNames& commands, int row, int col) {
  if (row == 0 || col == 0) return CellKind::kFixed;
  std::string_view text = sheet.Cell(row, col);
  if (commands.IsCommand(text)) return CellKind::kCommand;
  if (row > sheet.LastRow() || col > sheet.LastCol()) return CellKind::kUnused;
  if (IsKeystrokeText(text)) return CellKind::kKeystroke;
  if (text.empty()) return CellKind::kBlank;
  return CellKind::kData;
}

}  // namespace typelane
