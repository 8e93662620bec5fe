#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

namespace typelane::ui {

// A cell may hold megabytes (a whole document pasted into one cell). Nothing on
// screen can show more than its beginning, and laying out the whole text for
// every paint costs seconds and gigabytes, so the screen gets at most this
// many bytes of a cell. Far wider than any column, so every ordinary cell
// looks exactly as before.
inline constexpr std::size_t kShownCellBytes = 4096;

// Longer cells than a line edit holds (its maximum length, 32767 characters)
// are never put in one to be edited: the line edit would keep only their
// beginning, and storing that back would cut the cell. Such a cell is changed
// as a whole (pasted over, cleared, filled), never typed into.
inline constexpr std::size_t kLongestEditableCellBytes = 32767;

inline bool IsEditableCell(std::string_view bytes) {
  return bytes.size() <= kLongestEditableCellBytes;
}

// The text the screen shows for a cell: the whole text when it is short, else
// its first kShownCellBytes bytes cut at a whole character.
QString ShownCellText(std::string_view bytes);

}  // namespace typelane::ui
