#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"
#include "core/sheet/CellRect.h"

namespace typelane {

// The grid's clipboard: a rectangle of cells as tab-separated text, and their
// comments in the grid's private clipboard format ("Typelane"). Both are text
// as shown (UTF-8, DecodeText); pasting stores them in the document's encoding.
struct ClipboardBlock {
  // One line per row, cells separated by TAB, cut after the row's last
  // non-empty cell; every line, the last included, ends in CR LF.
  std::string text;
  // One line per cell with a comment record, row by row: "Comment", the column
  // and "," the row within the block (from 1), "=", the comment with each line
  // break written as "%CRLF%"; every line ends in CR LF. Empty when no cell of
  // the block has a comment: then the private format is not placed at all.
  std::string comments;
};

// Copy: the part of the selection inside the used extent (rows up to LastRow,
// columns up to LastCol). A selection wholly outside gives an empty text.
ClipboardBlock CopyCells(const Sheet& sheet, CellRect selection);

// The Copy command with the grid focused: nothing (the clipboard stays as it
// is) unless the selection touches the used extent.
std::optional<ClipboardBlock> CopyCommand(const Sheet& sheet, CellRect selection);

// Where the lines of a pasted text end: at CR alone, LF dropped wherever it
// stands (the grid's own copy), or at every line break, LF, CR LF or CR, as
// text from other programs has them.
enum class PastedLines { kAtCarriageReturn, kAtAnyBreak };

// Paste (the grid's own, as Shift+Insert): text written from the selection's
// top-left cell, the block repeated down and across as often as it fits whole
// in the selection (at least once). Rows end at CR only (LF is dropped), cells
// at TAB; an empty field empties its cell; the extent rises to every non-empty
// cell written. Each comment line of comments is attached, in every
// repetition, at its place relative to the block, replacing the comment there.
//
// A block that would reach beyond the grid's last column (LastCol + BlankCols;
// a converted recording has no blank columns) is refused whole with "The data
// does not fit in the sheet: it reaches beyond the last column." and nothing
// changes. comments is what the private format held ("" when it is missing).
SheetChange PasteCells(const EditContext& context, CellRect selection, std::string_view text,
                       std::string_view comments,
                       PastedLines lines = PastedLines::kAtCarriageReturn);

// The Paste command with the grid focused: PasteCells, then in a playback sheet
// the drop-list check of the pasted area (the selection, widened to the
// block's size).
SheetChange PasteCommand(const EditContext& context, CellRect selection, std::string_view text,
                         std::string_view comments,
                         PastedLines lines = PastedLines::kAtCarriageReturn);

// Clear (the Clear command, Delete or Backspace in select mode): empties the
// selected cells inside the used extent; comments stay. When the selection
// holds LastCol (and the sheet has blank columns) the last used column is
// searched again, then the same for LastRow.
SheetChange ClearCells(const EditContext& context, CellRect selection);

}  // namespace typelane
