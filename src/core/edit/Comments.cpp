#include "core/edit/Comments.h"

#include "core/edit/Extent.h"

namespace typelane {
namespace {

// Any line break (CR LF, LF or CR) as CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

bool HasComment(const Sheet& sheet, int row, int col) {
  const CellInfo* info = sheet.Info(row, col);
  return info != nullptr && !info->comment.empty();
}

std::string CommentText(const Sheet& sheet, int row, int col) {
  const CellInfo* info = sheet.Info(row, col);
  return info == nullptr ? std::string() : DecodeText(info->comment);
}

SheetChange AddComment(const EditContext& context, int row, int col) {
  SheetChange change;
  if (row < 1 || col < 1) return change;
  if (context.sheet.Info(row, col) == nullptr) context.sheet.AttachInfo(row, col);
  RaiseExtentTo(context.sheet, row, col, change);
  change.Touch(row, col);
  change.modified = true;
  return change;
}

SheetChange SetCommentText(const EditContext& context, int row, int col, std::string_view utf8) {
  SheetChange change;
  if (row < 1 || col < 1) return change;
  CellInfo& info = context.sheet.AttachInfo(row, col);
  info.comment = context.TypedBytes(info.comment, WithCrLf(utf8));
  if (!info.comment.empty()) RaiseExtentTo(context.sheet, row, col, change);
  change.Touch(row, col);
  change.modified = true;
  return change;
}

SheetChange DeleteComment(const EditContext& context, int row, int col) {
  SheetChange change;
  const CellInfo* info = context.sheet.Info(row, col);
  if (info == nullptr) return change;
  if (info->keep != 0) {
    context.sheet.AttachInfo(row, col).comment.clear();
  } else {
    context.sheet.RemoveInfo(row, col);
  }
  change.Touch(row, col);
  change.modified = true;
  return change;
}

}  // namespace typelane
