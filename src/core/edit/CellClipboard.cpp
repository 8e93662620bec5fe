#include "core/edit/CellClipboard.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/common/Text.h"
#include "core/edit/Extent.h"
#include "core/forms/DropLists.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {
namespace {

constexpr std::string_view kDoesNotFit =
    "The data does not fit in the sheet: it reaches beyond the last column.";

// A comment on one line: CR LF as "%CRLF%". A lone CR or LF (which the grid's
// own comments never hold) is written the same way, so the block stays one
// line per comment.
std::string CommentOnOneLine(std::string_view comment) {
  std::string text = ReplaceAll(DecodeText(comment), "\r\n", "%CRLF%");
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      out += "%CRLF%";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool IsAsciiText(std::string_view text) {
  // Eight bytes at a time: a copy of a large sheet looks at all of them.
  std::uint64_t high = 0;
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    high |= word;
  }
  for (; i < text.size(); ++i) high |= static_cast<unsigned char>(text[i]);
  return (high & 0x8080808080808080ull) == 0;
}

// Reads pasted text a line at a time: fields end at TAB, lines at CR (LF is
// dropped wherever it stands), or at any line break. Fields are views into the
// text, or into copies when a field held an LF or has to be stored in another
// encoding. A line is read again for every band of repetitions, so nothing the
// size of the text is kept besides the text itself.
class LineReader {
 public:
  LineReader(std::string_view text, TextEncoding encoding, PastedLines lines)
      : text_(text),
        encoding_(encoding),
        convert_(encoding != TextEncoding::kUtf8 && !IsAsciiText(text)),
        any_break_(lines == PastedLines::kAtAnyBreak) {}

  // The next line's fields; false when the text holds no further field.
  bool Next() {
    fields_.clear();
    owned_.clear();
    last_filled_ = 0;
    // A line has a field more than TABs, an empty last one included.
    std::ptrdiff_t line_tabs = 0;
    auto line_done = [&] { widest_ = std::max(widest_, line_tabs + 1); };
    while (pos_ < text_.size()) {
      const size_t start = pos_;
      bool has_lf = false;
      if (any_break_) {
        // The text is not copied to turn its line breaks into CR first.
        while (pos_ < text_.size() && text_[pos_] != '\t' && text_[pos_] != '\r' &&
               text_[pos_] != '\n') {
          ++pos_;
        }
      } else {
        while (pos_ < text_.size() && text_[pos_] != '\t' && text_[pos_] != '\r') {
          has_lf = has_lf || text_[pos_] == '\n';
          ++pos_;
        }
      }
      const bool at_end = pos_ == text_.size();
      std::string_view field = text_.substr(start, pos_ - start);
      if (has_lf) {
        std::string& copy = owned_.emplace_back();
        for (char c : field) {
          if (c != '\n') copy.push_back(c);
        }
        field = copy;
      }
      // A text that ends without CR ends its last field only if it has one.
      if (at_end && field.empty()) break;
      if (convert_) field = owned_.emplace_back(EncodeText(field, encoding_));
      fields_.push_back(field);
      if (!field.empty()) last_filled_ = static_cast<int>(fields_.size());
      if (at_end) break;
      const char end = text_[pos_++];
      if (end == '\t') {
        ++tabs_;
        ++line_tabs;
        continue;
      }
      if (end == '\r' && any_break_ && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
      ++line_ends_;
      line_done();
      return true;
    }
    line_done();
    return !fields_.empty();
  }

  const std::vector<std::string_view>& Fields() const { return fields_; }
  // 1-based index of the line's last non-empty field; 0 when all are empty.
  int LastFilled() const { return last_filled_; }

  // Once Next has said false: the block the whole text makes, h rows (its
  // line breaks, at least 1) and w columns (its TABs divided by h, plus 1,
  // and never less than its widest line).
  struct Size {
    int h = 1;
    int w = 1;
  };
  Size BlockSize() const {
    Size size;
    size.h = line_ends_ == 0 ? 1 : static_cast<int>(std::min<std::ptrdiff_t>(line_ends_, 1 << 30));
    size.w = static_cast<int>(std::min<std::ptrdiff_t>(tabs_ / size.h, 1 << 30)) + 1;
    // Copy cuts each line after its last filled cell, so the lines of a block
    // differ in length and the average above can fall short of the block's
    // width; a repetition must never start inside the one before it.
    size.w = static_cast<int>(
        std::max<std::ptrdiff_t>(size.w, std::min<std::ptrdiff_t>(widest_, 1 << 30)));
    return size;
  }

 private:
  std::string_view text_;
  TextEncoding encoding_;
  bool convert_;
  bool any_break_;
  size_t pos_ = 0;
  std::vector<std::string_view> fields_;
  std::deque<std::string> owned_;  // a deque: its strings never move
  int last_filled_ = 0;
  // Over the whole text so far.
  std::ptrdiff_t tabs_ = 0;
  std::ptrdiff_t line_ends_ = 0;
  std::ptrdiff_t widest_ = 1;
};
using BlockSize = LineReader::Size;

struct LineShape {
  int fields = 0;
  int last_filled = 0;
};

CellRect FromRow1Col1(CellRect selection) {
  selection.top = std::max(selection.top, 1);
  selection.left = std::max(selection.left, 1);
  return selection;
}

}  // namespace

ClipboardBlock CopyCells(const Sheet& sheet, CellRect selection) {
  selection = FromRow1Col1(selection);
  const int bottom = std::min(selection.bottom, sheet.LastRow());
  const int right = std::min(selection.right, sheet.LastCol());
  ClipboardBlock block;
  const auto& infos = sheet.Infos();
  // Each row read once, its cells as views; the text grows to its size once,
  // as far as the rows seen so far tell it.
  std::vector<std::string_view> cells;
  for (int row = selection.top; row <= bottom; ++row) {
    sheet.ReadRowCells(row, cells);
    int last = std::min(right, static_cast<int>(cells.size()) - 1);
    while (last >= selection.left && cells[static_cast<size_t>(last)].empty()) --last;
    if (last >= selection.left) {
      // A row's cells lie side by side in the sheet: one look at their bytes
      // says whether all are ASCII, and then each goes in as it is.
      const std::string_view first = cells[static_cast<size_t>(selection.left)];
      const std::string_view last_cell = cells[static_cast<size_t>(last)];
      const bool ascii = IsAsciiText(std::string_view(
          first.data(), static_cast<size_t>(last_cell.data() + last_cell.size() - first.data())));
      for (int col = selection.left; col <= last; ++col) {
        if (col > selection.left) block.text.push_back('\t');
        // Most cells are UTF-8 (or ASCII) already: they go in as they are,
        // without a string of their own on the way.
        const std::string_view cell = cells[static_cast<size_t>(col)];
        if (ascii || IsValidUtf8(cell)) {
          block.text.append(cell);
        } else {
          block.text += DecodeText(cell);
        }
      }
    }
    block.text += "\r\n";
    if (row - selection.top + 1 == 1024 && bottom - row > 1024) {
      // What the first rows took, for all of them, with a margin.
      const double per_row = static_cast<double>(block.text.size()) / 1024.0;
      block.text.reserve(static_cast<size_t>(per_row * 1.1 * (bottom - selection.top + 1)));
    }
    for (auto it = infos.lower_bound(CellPos{row, selection.left});
         it != infos.end() && it->first.row == row && it->first.col <= right; ++it) {
      block.comments += "Comment" + std::to_string(it->first.col - selection.left + 1) + "," +
                        std::to_string(row - selection.top + 1) + "=" +
                        CommentOnOneLine(it->second.comment) + "\r\n";
    }
  }
  return block;
}

std::optional<ClipboardBlock> CopyCommand(const Sheet& sheet, CellRect selection) {
  if (sheet.LastRow() < selection.top || sheet.LastCol() < selection.left) return std::nullopt;
  return CopyCells(sheet, selection);
}

namespace {

// PasteCells, telling the block's size too.
SheetChange PasteBlock(const EditContext& context, CellRect selection, std::string_view text,
                       std::string_view comments, PastedLines lines, BlockSize& size) {
  Sheet& sheet = context.sheet;
  BusyCursor busy(context.prompter);
  SheetChange change;
  selection = FromRow1Col1(selection);
  const int top = selection.top;
  const int left = selection.left;
  // One reading of the text gives each line's shape and the block's size.
  std::vector<LineShape> shapes;
  {
    LineReader reader(text, context.encoding, lines);
    while (reader.Next()) {
      shapes.push_back({static_cast<int>(reader.Fields().size()), reader.LastFilled()});
    }
    size = reader.BlockSize();
  }
  const int down = std::max(1, (selection.bottom - top + 1) / size.h);
  const int across = std::max(1, (selection.right - left + 1) / size.w);

  // Each line may reach as far as the grid is wide when it starts (LastCol +
  // BlankCols), and LastCol rises as cells are written. Rows further down only
  // see a wider grid, so the first band of repetitions decides.
  {
    std::int64_t last_col = sheet.LastCol();
    for (int j = 0; j < across; ++j) {
      const std::int64_t base = left + static_cast<std::int64_t>(j) * size.w;
      for (const LineShape& shape : shapes) {
        if (base + shape.fields - 1 > last_col + sheet.BlankCols()) {
          context.prompter.Error(kDoesNotFit);
          return change;
        }
        if (shape.last_filled > 0) last_col = std::max(last_col, base + shape.last_filled - 1);
      }
    }
  }

  if (!text.empty()) change.modified = true;
  const std::int64_t rows_needed =
      top + static_cast<std::int64_t>(down - 1) * size.h + static_cast<std::int64_t>(shapes.size());
  if (rows_needed > sheet.StoredRows() && rows_needed < (1 << 30)) {
    sheet.ReserveRows(static_cast<int>(rows_needed));
  }
  std::vector<std::string_view> cells;
  for (int i = 0; i < down; ++i) {
    LineReader reader(text, context.encoding, lines);
    for (int k = 0; reader.Next(); ++k) {
      const std::vector<std::string_view>& fields = reader.Fields();
      const int count = static_cast<int>(fields.size());
      const int row = top + i * size.h + k;
      const int stored = sheet.StoredCols(row) - 1;
      const int last_col = left + (across - 1) * size.w + count - 1;
      cells.assign(static_cast<size_t>(std::max(stored, last_col)), std::string_view());
      // The row's own cells, except those one block written once covers.
      const int covered_to = across == 1 ? last_col : left - 1;
      for (int col = 1; col <= stored; ++col) {
        if (col >= left && col <= covered_to) continue;
        cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
      }
      for (int j = 0; j < across; ++j) {
        std::copy(fields.begin(), fields.end(), cells.begin() + (left + j * size.w - 1));
      }
      sheet.SetRowCells(row, cells);
      change.Touch(row, left, row, last_col);
      if (reader.LastFilled() > 0) {
        RaiseExtentTo(sheet, row, left + (across - 1) * size.w + reader.LastFilled() - 1, change);
      }
    }
  }

  if (!comments.empty()) {
    for (std::string_view line : SplitLines(comments)) {
      // "Comment" column "," row "=" text, as Copy writes it. Anything else,
      // and any place outside the block's rows or the grid's columns, is left
      // out rather than let a stray line stretch the sheet.
      const size_t comma = line.find(',');
      const size_t equals = line.find('=');
      if (comma == std::string_view::npos || equals == std::string_view::npos || comma < 7 ||
          equals < comma) {
        continue;
      }
      const auto col = TryStrToInt(line.substr(7, comma - 7));
      const auto row = TryStrToInt(line.substr(comma + 1, equals - comma - 1));
      if (!col || !row || *col < 1 || *row < 1 || *row > size.h) continue;
      const std::string comment =
          EncodeText(ReplaceAll(line.substr(equals + 1), "%CRLF%", "\r\n"), context.encoding);
      for (int i = 0; i < down; ++i) {
        for (int j = 0; j < across; ++j) {
          const std::int64_t target_col =
              static_cast<std::int64_t>(left) + *col - 1 + static_cast<std::int64_t>(j) * size.w;
          const int target_row = top + *row - 1 + i * size.h;
          if (target_col >= sheet.Extent().GridCols()) continue;
          sheet.RemoveInfo(target_row, static_cast<int>(target_col));
          sheet.AttachInfo(target_row, static_cast<int>(target_col)).comment = comment;
          change.Touch(target_row, static_cast<int>(target_col));
          RaiseExtentTo(sheet, target_row, static_cast<int>(target_col), change);
          change.modified = true;
        }
      }
    }
  }
  return change;
}

}  // namespace

SheetChange PasteCells(const EditContext& context, CellRect selection, std::string_view text,
                       std::string_view comments, PastedLines lines) {
  BlockSize size;
  return PasteBlock(context, selection, text, comments, lines, size);
}

SheetChange PasteCommand(const EditContext& context, CellRect selection, std::string_view text,
                         std::string_view comments, PastedLines lines) {
  BlockSize size;
  SheetChange change = PasteBlock(context, selection, text, comments, lines, size);
  if (context.ChecksDropLists() && !change.cells.Empty()) {
    selection = FromRow1Col1(selection);
    const int right = std::max(selection.right, selection.left + size.w - 1);
    const int bottom = std::max(selection.bottom, selection.top + size.h - 1);
    if (CheckDropListRange(*context.forms, context.sheet, context.prompter, selection.left,
                           selection.top, right, bottom) > 0) {
      change.Touch(selection.top, selection.left, bottom, right);
    }
  }
  return change;
}

SheetChange ClearCells(const EditContext& context, CellRect selection) {
  Sheet& sheet = context.sheet;
  BusyCursor busy(context.prompter);
  SheetChange change;
  selection = FromRow1Col1(selection);
  const int bottom = std::min(selection.bottom, sheet.LastRow());
  const int right = std::min(selection.right, sheet.LastCol());
  std::vector<std::string_view> cells;
  for (int row = selection.top; row <= bottom; ++row) {
    const int stored = sheet.StoredCols(row) - 1;
    if (stored < selection.left) continue;
    cells.assign(static_cast<size_t>(stored), std::string_view());
    for (int col = 1; col <= stored; ++col) {
      if (col < selection.left || col > right)
        cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
    }
    sheet.SetRowCells(row, cells);
  }
  change.Touch(selection.top, selection.left, bottom, right);
  if (sheet.LastCol() >= selection.left && sheet.LastCol() <= selection.right &&
      sheet.BlankCols() > 0) {
    SetLastCol(sheet, FindLastCol(sheet), change);
  }
  if (sheet.LastRow() >= selection.top && sheet.LastRow() <= selection.bottom &&
      SheetExtent::kBlankRows > 0) {
    SetLastRow(sheet, FindLastRow(sheet), change);
  }
  change.modified = true;
  return change;
}

}  // namespace typelane
