#pragma once

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"
#include "core/sheet/CellRect.h"

namespace typelane {

enum class FillDirection { kDown, kUp, kLeft, kRight };

// Fill > Down / Up / Left / Right over the selection. Down copies the top row
// of the selection into the rows below it (when it has more than one row), Up
// the bottom row into the rows above; Right copies the left column into the
// columns to its right, Left the right column into those to its left. Empty
// source cells empty their targets; comments are not copied. Down raises
// LastRow to a row beyond it that received text, Right raises LastCol the same
// way; Up and Left leave the extent alone. Always marks the document modified,
// also when there was nothing to fill. In a playback sheet, Left and Right then
// check the whole selection against the drop lists.
SheetChange FillCells(const EditContext& context, CellRect selection, FillDirection direction);

}  // namespace typelane
