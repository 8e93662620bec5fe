#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/sheet/CellRect.h"

namespace typelane {

class CommandNames;
class Sheet;

// The four "Convert to" commands of the Edit menu and the grid's pop-up menu.
enum class Conversion {
  kKeystroke,  // "Keystroke(s)": put "\" in front (not before "\" or a command)
  kCopyPaste,  // "Copy and Paste": drop the "\" of a keystroke cell
  kAutoTab,    // "Auto Tab": drop a leading "&"
  kNoAutoTab,  // "No Auto Tab": put "&" in front (not before "&" or a command)
};

// The new text of one cell, or nothing when the conversion leaves it alone.
// Empty cells are never changed.
std::optional<std::string> ConvertCellText(std::string_view text, const CommandNames& commands,
                                           Conversion conversion);

// Converts every cell of the selection clipped to the used extent. Returns
// whether any cell was in range; the caller marks the sheet modified either way.
bool ConvertCells(Sheet& sheet, const CommandNames& commands, const CellRect& selection,
                  Conversion conversion);

}  // namespace typelane
