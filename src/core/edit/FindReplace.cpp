#include "core/edit/FindReplace.h"

#include <algorithm>
#include <vector>

#include "core/common/TextEncoding.h"
#include "core/common/TextOrder.h"

namespace typelane {
namespace {

// Bytes of the UTF-8 character that starts with lead (text shown is valid
// UTF-8, DecodeText makes it so).
size_t CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  return lead >= 0xC0 ? 2 : 1;
}

// A text with its letters folded, and for each byte of the folded text where
// its character began in the original, so a match in the one is a range of
// the other.
struct Folded {
  std::string text;
  std::vector<size_t> from;  // one more than text's bytes: the original's end
};

Folded Fold(std::string_view utf8) {
  Folded folded;
  folded.text.reserve(utf8.size());
  folded.from.reserve(utf8.size() + 1);
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t length =
        std::min(CharLength(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    CodePointReader reader(utf8.substr(pos, length), true);
    const size_t before = folded.text.size();
    AppendUtf8(folded.text, FoldCase(reader.Next()));
    folded.from.insert(folded.from.end(), folded.text.size() - before, pos);
    pos += length;
  }
  folded.from.push_back(utf8.size());
  return folded;
}

// Where the matches of options.text lie in utf8, as byte ranges of utf8, left
// to right and not overlapping. A whole-cell search matches the whole text
// or nothing.
std::vector<std::pair<size_t, size_t>> Matches(std::string_view utf8, const FindOptions& options,
                                               const std::string& needle) {
  std::vector<std::pair<size_t, size_t>> found;
  if (needle.empty()) return found;
  if (options.match_case) {
    if (options.whole_cell) {
      if (utf8 == needle) found.emplace_back(0, utf8.size());
      return found;
    }
    for (size_t at = utf8.find(needle); at != std::string_view::npos;
         at = utf8.find(needle, at + needle.size())) {
      found.emplace_back(at, at + needle.size());
    }
    return found;
  }
  const Folded folded = Fold(utf8);
  if (options.whole_cell) {
    if (folded.text == needle) found.emplace_back(0, utf8.size());
    return found;
  }
  for (size_t at = folded.text.find(needle); at != std::string::npos;
       at = folded.text.find(needle, at + needle.size())) {
    found.emplace_back(folded.from[at], folded.from[at + needle.size()]);
  }
  return found;
}

// The needle as matches compare it: folded unless case matters.
std::string Needle(const FindOptions& options) {
  return options.match_case ? options.text : Fold(options.text).text;
}

// The area searched: its rows (row 0 first when titles are searched) and
// columns.
struct Area {
  std::vector<int> rows;
  int left = 1;
  int right = 0;
  int title_right = 0;  // titles may reach beyond the used columns

  long long Size() const { return static_cast<long long>(rows.size()) * std::max(0, Width()); }
  int Width() const { return std::max(right, title_right) - left + 1; }
};

Area AreaOf(const Sheet& sheet, const FindOptions& options, CellRect scope) {
  const bool whole = scope == WholeExtent(sheet);
  const CellRect cells = ClipToExtent(sheet, scope);
  Area area;
  area.left = std::max(scope.left, 1);
  area.right = cells.Empty() ? area.left - 1 : cells.right;
  if (options.titles) {
    const int titled = sheet.StoredCols(0) - 1;
    area.title_right = whole ? std::max(titled, sheet.LastCol())
                             : std::min(scope.right, std::max(titled, sheet.LastCol()));
    if (area.title_right >= area.left) area.rows.push_back(0);
  }
  if (!cells.Empty()) {
    area.left = cells.left;
    for (int r = cells.top; r <= cells.bottom; ++r) area.rows.push_back(r);
  }
  return area;
}

// The text to search at a cell of the area: its text, or its comment.
bool CellMatches(const Sheet& sheet, const FindOptions& options, const std::string& needle,
                 const Area& area, CellPos pos, bool* in_comment) {
  const int right = pos.row == 0 ? area.title_right : area.right;
  if (pos.col > right) return false;
  if (!Matches(DecodeText(sheet.Cell(pos.row, pos.col)), options, needle).empty()) {
    *in_comment = false;
    return true;
  }
  if (options.comments && pos.row > 0) {
    const CellInfo* info = sheet.Info(pos.row, pos.col);
    if (info != nullptr && !Matches(DecodeText(info->comment), options, needle).empty()) {
      *in_comment = true;
      return true;
    }
  }
  return false;
}

std::string Replaced(std::string_view utf8, const std::vector<std::pair<size_t, size_t>>& found,
                     std::string_view replacement) {
  std::string out;
  size_t done = 0;
  for (const auto& [begin, end] : found) {
    out.append(utf8.substr(done, begin - done));
    out.append(replacement);
    done = end;
  }
  out.append(utf8.substr(done));
  return out;
}

// Replaces the matches in the text of (row, col), and in its comment when
// comments are searched. True when the cell changed.
bool ReplaceCell(const EditContext& context, const FindOptions& options, const std::string& needle,
                 CellPos pos, bool text, bool comment, std::string_view replacement,
                 SheetChange& change) {
  Sheet& sheet = context.sheet;
  bool changed = false;
  if (text) {
    const std::string_view bytes = sheet.Cell(pos.row, pos.col);
    const std::string shown = DecodeText(bytes);
    const auto found = Matches(shown, options, needle);
    if (!found.empty()) {
      const std::string now = Replaced(shown, found, replacement);
      if (now != shown) {
        sheet.SetCell(pos.row, pos.col, context.TypedBytes(bytes, now));
        changed = true;
      }
    }
  }
  if (comment && pos.row > 0) {
    if (const CellInfo* info = sheet.Info(pos.row, pos.col)) {
      const std::string shown = DecodeText(info->comment);
      const auto found = Matches(shown, options, needle);
      if (!found.empty()) {
        const std::string now = Replaced(shown, found, replacement);
        if (now != shown) {
          const std::string bytes = context.TypedBytes(info->comment, now);
          sheet.AttachInfo(pos.row, pos.col).comment = bytes;
          changed = true;
        }
      }
    }
  }
  if (changed) {
    change.Touch(pos.row, pos.col);
    change.modified = true;
  }
  return changed;
}

}  // namespace

std::optional<FindHit> FindInSheet(const Sheet& sheet, const FindOptions& options, CellRect scope,
                                   CellPos from, bool forward) {
  if (options.text.empty()) return std::nullopt;
  const Area area = AreaOf(sheet, options, scope);
  const long long size = area.Size();
  if (size <= 0) return std::nullopt;
  const std::string needle = Needle(options);
  const int width = area.Width();
  // The place of `from` in the area's order; a cell outside it counts as
  // just before the area's first cell (going back: just after its last).
  long long start = forward ? -1 : size;
  const auto row_at = std::find(area.rows.begin(), area.rows.end(), from.row);
  if (row_at != area.rows.end() && from.col >= area.left && from.col < area.left + width) {
    start = (row_at - area.rows.begin()) * static_cast<long long>(width) + (from.col - area.left);
  }
  for (long long step = 1; step <= size; ++step) {
    long long index = forward ? start + step : start - step;
    const bool wrapped = index >= size || index < 0;
    index = ((index % size) + size) % size;
    const CellPos pos{area.rows[static_cast<size_t>(index / width)],
                      area.left + static_cast<int>(index % width)};
    bool in_comment = false;
    if (CellMatches(sheet, options, needle, area, pos, &in_comment)) {
      return FindHit{pos, in_comment, wrapped};
    }
  }
  return std::nullopt;
}

std::optional<std::string> ReplaceInText(std::string_view utf8, const FindOptions& options,
                                         std::string_view replacement) {
  const auto found = Matches(utf8, options, Needle(options));
  if (found.empty()) return std::nullopt;
  return Replaced(utf8, found, replacement);
}

SheetChange ReplaceAt(const EditContext& context, const FindOptions& options, const FindHit& hit,
                      std::string_view replacement) {
  SheetChange change;
  if (options.text.empty()) return change;
  ReplaceCell(context, options, Needle(options), hit.cell, !hit.in_comment, hit.in_comment,
              replacement, change);
  return change;
}

SheetChange ReplaceAllInSheet(const EditContext& context, const FindOptions& options,
                              CellRect scope, std::string_view replacement, int* cells) {
  BusyCursor busy(context.prompter);
  SheetChange change;
  int count = 0;
  if (!options.text.empty()) {
    const Area area = AreaOf(context.sheet, options, scope);
    const std::string needle = Needle(options);
    for (const int row : area.rows) {
      const int right = row == 0 ? area.title_right : area.right;
      for (int col = area.left; col <= right; ++col) {
        if (ReplaceCell(context, options, needle, CellPos{row, col}, true, options.comments,
                        replacement, change)) {
          ++count;
        }
      }
    }
  }
  if (cells != nullptr) *cells = count;
  return change;
}

}  // namespace typelane
