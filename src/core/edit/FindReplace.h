#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"
#include "core/sheet/CellRect.h"
#include "core/sheet/Sheet.h"

namespace typelane {

// Find and Replace over the sheet's text as the user sees it (UTF-8,
// DecodeText). Without match case, letters compare as TextOrder's FoldCase
// folds them, so "müller" finds "MÜLLER" in a Windows-1252 cell too.
struct FindOptions {
  std::string text;         // what is looked for; nothing is found for ""
  bool match_case = false;  // letters must match in case
  bool whole_cell = false;  // the whole text of a cell, not a part of it
  bool titles = false;      // the column titles too (row 0)
  bool comments = false;    // the cells' comments too
};

// Where a search stopped.
struct FindHit {
  CellPos cell;             // row 0: a column title
  bool in_comment = false;  // the cell's comment matched, not its text
  bool wrapped = false;     // the search went past the end (or the start) and on
};

// The cells a search covers: scope clipped to the used extent (rows
// 1..LastRow, columns 1..LastCol; WholeExtent for the whole sheet), with the
// titles of its columns in front when options.titles (beyond LastCol too,
// when the scope is the whole sheet).
//
// FindInSheet goes row by row from the cell after `from` (before it, going
// back), wrapping at the end of the area once; `from` itself is looked at
// last. Nothing when no cell of the area matches.
std::optional<FindHit> FindInSheet(const Sheet& sheet, const FindOptions& options, CellRect scope,
                                   CellPos from, bool forward);

// The text with every match replaced (the whole text when whole_cell);
// nothing when it does not match.
std::optional<std::string> ReplaceInText(std::string_view utf8, const FindOptions& options,
                                         std::string_view replacement);

// Replace: the matches in the text (or the comment, for a hit in a comment)
// of one cell take the replacement. Nothing changes when it does not match.
SheetChange ReplaceAt(const EditContext& context, const FindOptions& options, const FindHit& hit,
                      std::string_view replacement);

// Replace All over the area FindInSheet covers: every match in every cell
// (its text, and its comment when options.comments) takes the replacement,
// stored in the cell's encoding. *cells is how many cells changed. Marks the
// document modified when any did; the extent stays as it is.
SheetChange ReplaceAllInSheet(const EditContext& context, const FindOptions& options,
                              CellRect scope, std::string_view replacement, int* cells);

}  // namespace typelane
