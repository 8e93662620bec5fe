#pragma once

#include <string>
#include <string_view>

namespace typelane {

struct CellRect;
class FormsContent;
class Prompter;
class Sheet;
struct FormsState;

// droplists.dat: one entry per line, form ":" block "." item "=" value. Any text
// file is accepted; blank or odd lines are entries that never match.

// Loads droplists.dat (the user's data folder, else the program folder) into
// document.forms. When the file cannot be read, says "Failed to open the
// droplists.dat file - no droplist data loaded." and leaves the list empty.
// False in that case.
bool LoadDropLists(FormsContent& document);

// Replaces droplists.dat with the entries held, sorted and without duplicates.
// The write is atomic; throws PlatformError when it cannot be written, and
// when the file is there but could not be read (writing it would lose what it
// holds).
void WriteDropLists(const FormsContent& document);

// True when the column is not a drop-list column, or when the drop list of its
// item holds text (letter case ignored). An empty text is allowed only when an
// empty value was recorded for the item.
bool DropListAllows(const FormsState& forms, int column, std::string_view text);

// The check made when the user leaves cell (column, row) of a playback sheet:
// outside kind 3 or outside the used extent it passes. A value the drop list
// does not allow is cleared after "The data entered is not valid for the drop
// list."; false then. (Moving the selection back to the cell is the grid's job.)
bool CheckDropListCell(FormsContent& document, int column, int row);
// The same over a sheet and its forms data, whatever the document (the caller
// decides that the sheet is a playback sheet and tells the views of the
// cleared cell).
bool CheckDropListCell(const FormsState& forms, Sheet& sheet, Prompter& prompter, int column,
                       int row);

// The check after a paste or a sideways fill: every cell of the rectangle that
// the drop list does not allow is cleared, and then "One or more cells contained
// data that is not valid for the relevant drop list. Please re-enter the invalid
// data." is shown once. Returns the number of cells cleared.
int CheckDropListRange(FormsContent& document, int left, int top, int right, int bottom);
// The same over a sheet and its forms data; the cells cleared are added to
// *changed (grown to cover them) when it is given.
int CheckDropListRange(const FormsState& forms, Sheet& sheet, Prompter& prompter, int left, int top,
                       int right, int bottom, CellRect* changed = nullptr);

}  // namespace typelane
