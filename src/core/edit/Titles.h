#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"

namespace typelane {

// Titles that the program may replace by itself: "Data", "Key Strokes", a
// command name (IsCommand) and the empty title. Any other is the user's own.
bool IsAutomaticTitle(const CommandNames& commands, std::string_view title);

// Where row 1 was typed into: the grid's in-place editor or the cell-text box.
// They tell keystrokes apart differently: the grid by a leading single "\"
// (the keystroke cell kind), the box by a text in braces ("{TAB}").
enum class TitleSource { kGrid, kCellTextBox };

// Titles the column after the text in its row 1: the command name itself, "Key
// Strokes", or "Data", written only over an automatic title. From the grid,
// with the TitleSize option on, a written title also sizes the column to fit
// it. (Callers decide when it runs; EditCellInGrid and EditCellInBox do.)
SheetChange UpdateColumnTitleFromRow1(const EditContext& context, int column, TitleSource source);

// Titles > Clear: empties the titles of columns left..right. Titles > Clear
// All: every title, those beyond LastCol included. Neither marks the document
// modified.
SheetChange ClearTitles(const EditContext& context, int left, int right);
SheetChange ClearAllTitles(const EditContext& context);

// The heading editor's OK: titles[c] (text as typed) becomes the title of
// column c; titles[0], the top-left cell, is not a title and is skipped. A
// title whose text did not change keeps its bytes.
SheetChange SetTitles(const EditContext& context, const std::vector<std::string>& titles);

// Every title as shown, from column 1 to the grid's last column (the heading
// editor's row; index 0 is the top-left cell and stays empty).
std::vector<std::string> TitlesForEditor(const Sheet& sheet);

}  // namespace typelane
