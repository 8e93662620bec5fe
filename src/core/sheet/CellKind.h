#pragma once

#include <string_view>

#include "core/sheet/Sheet.h"

namespace typelane {

enum class CellKind { kFixed, kCommand, kUnused, kKeystroke, kBlank, kData };

// "FIXED", "COMMAND", "UNUSED", "KEYSTROKE", "BLANK", "DATA".
std::string_view CellKindText(CellKind kind);

// Whatever knows the command names (the command table).
class CommandNames {
 public:
  virtual ~CommandNames() = default;
  virtual bool IsCommand(std::string_view text) const = 0;
};

// True for the built-in commands: "*SL", "*CW" (three characters) and "*ML(",
// "*MR(" (four characters), in any letter case.
bool IsBuiltInCommand(std::string_view text);

// True for a keystroke text: first character "\" and second not "\".
inline bool IsKeystrokeText(std::string_view text) {
  return !text.empty() && text[0] == '\\' && (text.size() < 2 || text[1] != '\\');
}

CellKind GetCellKind(const Sheet& sheet, const CommandNames& commands, int row, int col);

}  // namespace typelane
