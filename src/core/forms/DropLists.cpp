#include "core/forms/DropLists.h"

#include <algorithm>
#include <filesystem>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/FileText.h"
#include "core/forms/FormsContent.h"

namespace typelane {

bool LoadDropLists(FormsContent& document) {
  FormsState& forms = document.forms;
  forms.drop_list_entries.Clear();
  forms.drop_lists_unreadable = false;
  const std::string path = document.DropListsPath();
  std::string bytes;
  try {
    bytes = ReadFileBytes(path);
  } catch (const PlatformError&) {
    // A file that is missing is made afresh by the next conversion; one that is
    // there (or may be: its folder cannot be looked into) is kept as it is.
    std::error_code ec;
    const bool missing = !std::filesystem::exists(PathFromName(path), ec) && !ec;
    forms.drop_lists_unreadable = !missing;
    document.prompter().Error(
        WithFileReason("Failed to open the droplists.dat file - no droplist data loaded.",
                       std::current_exception()));
    return false;
  }
  for (std::string_view line : SplitLines(bytes)) forms.drop_list_entries.Add(line);
  return true;
}

void WriteDropLists(const FormsContent& document) {
  if (document.forms.drop_lists_unreadable) {
    throw FileError(document.DropListsPath(), "It could not be read, so it is not written over");
  }
  TextOut out;
  for (const auto& entry : document.forms.drop_list_entries.Entries()) out.Line(entry);
  WriteFileAtomic(document.DropListsPathForWriting(), out.Text());
}

bool DropListAllows(const FormsState& forms, int column, std::string_view text) {
  const std::string item = forms.column_items.ItemOfColumn(column);
  if (item.empty()) return true;
  std::string entry = item;
  entry.push_back('=');
  entry.append(text);
  return forms.drop_list_entries.Contains(entry);
}

bool CheckDropListCell(const FormsState& forms, Sheet& sheet, Prompter& prompter, int column,
                       int row) {
  if (column <= 0 || column > sheet.LastCol() || row <= 0 || row > sheet.LastRow()) return true;
  if (DropListAllows(forms, column, sheet.Cell(row, column))) return true;
  prompter.Error("The data entered is not valid for the drop list.");
  sheet.SetCell(row, column, "");
  return false;
}

bool CheckDropListCell(FormsContent& document, int column, int row) {
  if (document.Kind() != DocumentKind::kPlayback) return true;
  if (CheckDropListCell(document.forms, document.sheet, document.prompter(), column, row)) {
    return true;
  }
  document.CellsChanged(CellRect{row, column, row, column});
  return false;
}

int CheckDropListRange(FormsContent& document, int left, int top, int right, int bottom) {
  if (document.Kind() != DocumentKind::kPlayback) return 0;
  CellRect changed;
  const int cleared = CheckDropListRange(document.forms, document.sheet, document.prompter(), left,
                                         top, right, bottom, &changed);
  if (cleared > 0) document.CellsChanged(changed);
  return cleared;
}

int CheckDropListRange(const FormsState& forms, Sheet& sheet, Prompter& prompter, int left, int top,
                       int right, int bottom, CellRect* changed) {
  int cleared = 0;
  for (int col = std::max(left, 1); col <= right; ++col) {
    // Most columns are not drop lists: skip them without touching their cells.
    if (forms.column_items.ItemOfColumn(col).empty()) continue;
    for (int row = std::max(top, 1); row <= bottom; ++row) {
      if (DropListAllows(forms, col, sheet.Cell(row, col))) continue;
      sheet.SetCell(row, col, "");
      if (changed != nullptr) {
        if (changed->Empty()) *changed = CellRect{row, col, row, col};
        changed->top = std::min(changed->top, row);
        changed->bottom = std::max(changed->bottom, row);
        changed->left = std::min(changed->left, col);
        changed->right = std::max(changed->right, col);
      }
      ++cleared;
    }
  }
  if (cleared > 0) {
    prompter.Error(
        "One or more cells contained data that is not valid for the relevant drop list. Please "
        "re-enter the invalid data.");
  }
  return cleared;
}

}  // namespace typelane
