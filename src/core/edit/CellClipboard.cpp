#include "core/edit/CellClipboard.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/common/FileText.h"
#include "core/common/Numbers.h"
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
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The pasted text split once into lines and fields, each field already in the
// bytes it is stored as.
class PastedBlock {
 public:
  PastedBlock(std::string_view text, TextEncoding encoding) {
    const bool convert = encoding != TextEncoding::kUtf8 && !IsAsciiText(text);
    bytes_.reserve(text.size());
    line_first_.push_back(0);
    std::string field;
    auto store = [&] {
      if (convert) bytes_ += EncodeText(field, encoding);
      const bool filled = ends_.empty() ? !bytes_.empty() : bytes_.size() > ends_.back();
      ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
      if (filled) last_filled_.back() = FieldsOf(Lines());
      field.clear();
    };
    last_filled_.push_back(0);
    bool pending = false;  // the current field has characters
    for (char c : text) {
      if (c == '\t' || c == '\r') {
        store();
        pending = false;
        if (c == '\r') {
          line_first_.push_back(static_cast<std::uint32_t>(ends_.size()));
          last_filled_.push_back(0);
        }
      } else if (c != '\n') {
        if (convert) {
          field.push_back(c);
        } else {
          bytes_.push_back(c);
        }
        pending = true;
      }
    }
    if (pending) store();
    // The last line counts only when it stored a field.
    if (ends_.size() > line_first_.back()) {
      line_first_.push_back(static_cast<std::uint32_t>(ends_.size()));
    } else {
      last_filled_.pop_back();
    }
  }

  int Lines() const { return static_cast<int>(line_first_.size()) - 1; }
  int FieldsOf(int line) const {
    return static_cast<int>(ends_.size() - line_first_[static_cast<size_t>(line)]);
  }
  int Fields(int line) const {
    return static_cast<int>(line_first_[static_cast<size_t>(line) + 1] -
                            line_first_[static_cast<size_t>(line)]);
  }
  // 1-based index of the line's last non-empty field; 0 when all are empty.
  int LastFilled(int line) const { return last_filled_[static_cast<size_t>(line)]; }
  std::string_view Field(int line, int index) const {
    const size_t i = line_first_[static_cast<size_t>(line)] + static_cast<size_t>(index);
    const size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(begin, ends_[i] - begin);
  }

 private:
  std::string bytes_;
  std::vector<std::uint32_t> ends_;        // end of each field in bytes_
  std::vector<std::uint32_t> line_first_;  // first field of each line, then the total
  std::vector<int> last_filled_;
};

// The block size of a pasted text: h rows (its CR count, at least 1) and w
// columns (its TAB count divided by h, plus 1).
struct BlockSize {
  int h = 1;
  int w = 1;
};

BlockSize SizeOf(std::string_view text) {
  const auto crs = std::count(text.begin(), text.end(), '\r');
  const auto tabs = std::count(text.begin(), text.end(), '\t');
  BlockSize size;
  size.h = crs == 0 ? 1 : static_cast<int>(std::min<std::ptrdiff_t>(crs, 1 << 30));
  size.w = static_cast<int>(std::min<std::ptrdiff_t>(tabs / size.h, 1 << 30)) + 1;
  return size;
}

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
  for (int row = selection.top; row <= bottom; ++row) {
    int last = std::min(right, sheet.StoredCols(row) - 1);
    while (last >= selection.left && sheet.Cell(row, last).empty()) --last;
    for (int col = selection.left; col <= last; ++col) {
      if (col > selection.left) block.text.push_back('\t');
      block.text += DecodeText(sheet.Cell(row, col));
    }
    block.text += "\r\n";
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

SheetChange PasteCells(const EditContext& context, CellRect selection, std::string_view text,
                       std::string_view comments) {
  Sheet& sheet = context.sheet;
  BusyCursor busy(context.prompter);
  SheetChange change;
  selection = FromRow1Col1(selection);
  const int top = selection.top;
  const int left = selection.left;
  const BlockSize size = SizeOf(text);
  const int down = std::max(1, (selection.bottom - top + 1) / size.h);
  const int across = std::max(1, (selection.right - left + 1) / size.w);
  const PastedBlock block(text, context.encoding);

  // Each line may reach as far as the grid is wide when it starts (LastCol +
  // BlankCols), and LastCol rises as cells are written. Rows further down only
  // see a wider grid, so the first band of repetitions decides.
  {
    std::int64_t last_col = sheet.LastCol();
    for (int j = 0; j < across; ++j) {
      const std::int64_t base = left + static_cast<std::int64_t>(j) * size.w;
      for (int k = 0; k < block.Lines(); ++k) {
        if (base + block.Fields(k) - 1 > last_col + sheet.BlankCols()) {
          context.prompter.Error(kDoesNotFit);
          return change;
        }
        if (block.LastFilled(k) > 0) last_col = std::max(last_col, base + block.LastFilled(k) - 1);
      }
    }
  }

  if (!text.empty()) change.modified = true;
  std::vector<std::string_view> cells;
  for (int i = 0; i < down; ++i) {
    for (int k = 0; k < block.Lines(); ++k) {
      const int row = top + i * size.h + k;
      const int fields = block.Fields(k);
      const int stored = sheet.StoredCols(row) - 1;
      const int last_col = left + (across - 1) * size.w + fields - 1;
      cells.assign(static_cast<size_t>(std::max(stored, last_col)), std::string_view());
      for (int col = 1; col <= stored; ++col)
        cells[static_cast<size_t>(col - 1)] = sheet.Cell(row, col);
      int filled = 0;
      for (int j = 0; j < across; ++j) {
        const int base = left + j * size.w;
        for (int f = 0; f < fields; ++f)
          cells[static_cast<size_t>(base + f - 1)] = block.Field(k, f);
        if (block.LastFilled(k) > 0) filled = base + block.LastFilled(k) - 1;
      }
      sheet.SetRowCells(row, cells);
      change.Touch(row, left, row, last_col);
      if (filled > 0) RaiseExtentTo(sheet, row, filled, change);
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

SheetChange PasteCommand(const EditContext& context, CellRect selection, std::string_view text,
                         std::string_view comments) {
  SheetChange change = PasteCells(context, selection, text, comments);
  if (context.ChecksDropLists() && !change.cells.Empty()) {
    selection = FromRow1Col1(selection);
    const BlockSize size = SizeOf(text);
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
