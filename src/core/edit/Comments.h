#pragma once

#include <string>
#include <string_view>

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"

namespace typelane {

// Cell comments: the first field of a cell's CellInfo record. An empty comment
// counts as none for the red mark and the menus.

// True when the cell has a non-empty comment (the red mark; Delete Comment
// offered instead of Add Comment).
bool HasComment(const Sheet& sheet, int row, int col);

// The comment as shown in the note box (UTF-8, line breaks CR LF).
std::string CommentText(const Sheet& sheet, int row, int col);

// Add Comment on the current cell: attaches an empty record (keep flag 0)
// unless the cell has one, and raises the extent to the cell, even if no text
// is ever typed. The note box then opens on the cell for editing.
SheetChange AddComment(const EditContext& context, int row, int col);

// Leaving the note box after its text was changed: the cell's comment becomes
// the text (line breaks stored as CR LF, as the sheet file expects them); a
// cell without a record gets one.
SheetChange SetCommentText(const EditContext& context, int row, int col, std::string_view utf8);

// Delete Comment: a record whose keep flag is set keeps an empty text; any
// other record is removed. Nothing when the cell has no record.
SheetChange DeleteComment(const EditContext& context, int row, int col);

}  // namespace typelane
