#include "core/sheet/Sheet.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

#include "core/sheet/SheetJournal.h"

namespace typelane {
namespace {

std::uint32_t ReadU32(const char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void WriteU32(char* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

// The first word of a row holds the cell count; its top bit marks a row whose
// cell bytes fit 16-bit end offsets, which most rows do. That halves the
// offsets, the larger part of a row of short cells.
constexpr std::uint32_t kNarrowRow = 0x80000000u;

std::uint16_t ReadU16(const char* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void WriteU16(char* p, std::uint16_t v) { std::memcpy(p, &v, sizeof v); }

// A row filled cell by cell (a recording converted field by field, a title
// row typed left to right) keeps room for more end offsets: its first word
// then also carries kSlottedRow and the second word the number of offset
// slots, so the next cell at the end only writes its offset and appends its
// bytes. Rows read from files are built whole and carry no spare room.
constexpr std::uint32_t kSlottedRow = 0x40000000u;
constexpr std::uint32_t kCountMask = ~(kNarrowRow | kSlottedRow);

// Where the parts of a row buffer lie.
struct RowLayout {
  size_t count = 0;
  size_t slots = 0;
  bool narrow = true;
  bool slotted = false;
  size_t offsets = 0;  // byte position of the first end offset
  size_t data = 0;     // byte position of the first cell byte

  explicit RowLayout(const std::string& row) {
    if (row.empty()) return;
    const std::uint32_t word = ReadU32(row.data());
    count = word & kCountMask;
    narrow = (word & kNarrowRow) != 0;
    slotted = (word & kSlottedRow) != 0;
    slots = slotted ? ReadU32(row.data() + 4) : count;
    offsets = slotted ? 8 : 4;
    data = offsets + slots * (narrow ? 2 : 4);
  }
  // The end offset of cell i (relative to data); 0 before the first cell.
  std::uint32_t End(const char* row, size_t i) const {
    return narrow ? ReadU16(row + offsets + 2 * i) : ReadU32(row + offsets + 4 * i);
  }
  std::uint32_t Begin(const char* row, size_t i) const { return i == 0 ? 0 : End(row, i - 1); }
  void SetEnd(char* row, size_t i, std::uint32_t end) const {
    if (narrow) {
      WriteU16(row + offsets + 2 * i, static_cast<std::uint16_t>(end));
    } else {
      WriteU32(row + offsets + 4 * i, end);
    }
  }
  std::uint32_t Bytes(const char* row) const { return count == 0 ? 0 : End(row, count - 1); }
};

// Builds a row of count cells, cell(i) giving each, with room for slots end
// offsets (no spare room when slots <= count). Trailing empty cells need no
// storage.
template <typename CellAt>
std::string BuildRowOf(size_t count, CellAt cell, size_t slots) {
  while (count > 0 && cell(count - 1).empty()) --count;
  if (count == 0) return {};
  size_t bytes = 0;
  for (size_t i = 0; i < count; ++i) bytes += cell(i).size();
  const bool narrow = bytes <= 0xFFFF;
  const bool slotted = slots > count;
  if (!slotted) slots = count;
  const size_t width = narrow ? 2 : 4;
  const size_t offsets = slotted ? 8 : 4;
  std::string row(offsets + width * slots + bytes, '\0');
  WriteU32(row.data(), static_cast<std::uint32_t>(count) | (narrow ? kNarrowRow : 0) |
                           (slotted ? kSlottedRow : 0));
  if (slotted) WriteU32(row.data() + 4, static_cast<std::uint32_t>(slots));
  char* header = row.data() + offsets;
  char* data = header + width * slots;
  std::uint32_t end = 0;
  for (size_t i = 0; i < count; ++i) {
    const std::string_view text = cell(i);
    if (!text.empty()) std::memcpy(data + end, text.data(), text.size());
    end += static_cast<std::uint32_t>(text.size());
    if (narrow) {
      WriteU16(header + 2 * i, static_cast<std::uint16_t>(end));
    } else {
      WriteU32(header + 4 * i, end);
    }
  }
  return row;
}

}  // namespace

int Sheet::CountOf(const RowBuffer& row) {
  return row.empty() ? 0 : static_cast<int>(ReadU32(row.data()) & kCountMask);
}

std::string_view Sheet::CellOf(const RowBuffer& row, int col) {
  if (row.empty() || col < 0) return {};
  const RowLayout layout(row);
  const auto c = static_cast<size_t>(col);
  if (c >= layout.count) return {};
  const std::uint32_t begin = layout.Begin(row.data(), c);
  const std::uint32_t end = layout.End(row.data(), c);
  return std::string_view(row.data() + layout.data + begin, end - begin);
}

Sheet::RowBuffer Sheet::BuildRow(std::span<const std::string_view> cells) {
  return BuildRowOf(
      cells.size(), [&](size_t i) { return cells[i]; }, 0);
}

Sheet::RowBuffer Sheet::BuildRow(std::string_view first, std::span<const std::string_view> rest,
                                 bool with_first) {
  // Cell i of the row: first (when given), then rest.
  const size_t offset = with_first ? 1 : 0;
  return BuildRowOf(
      rest.size() + offset,
      [&](size_t i) { return with_first && i == 0 ? first : rest[i - offset]; }, 0);
}

std::string_view Sheet::Cell(int row, int col) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  return CellOf(rows_[static_cast<size_t>(row)], col);
}

int Sheet::StoredCols(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return 0;
  return CountOf(rows_[static_cast<size_t>(row)]);
}

void Sheet::ReadRowCells(int row, std::vector<std::string_view>& cells) const {
  cells.clear();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  const RowBuffer& buf = rows_[static_cast<size_t>(row)];
  if (buf.empty()) return;
  const RowLayout layout(buf);
  const char* const data = buf.data() + layout.data;
  std::uint32_t begin = 0;
  for (size_t c = 0; c < layout.count; ++c) {
    const std::uint32_t end = layout.End(buf.data(), c);
    cells.emplace_back(data + begin, end - begin);
    begin = end;
  }
}

std::vector<std::string_view> Sheet::RowCells(int row) const {
  std::vector<std::string_view> cells;
  if (row < 0 || row >= static_cast<int>(rows_.size())) return cells;
  const RowBuffer& buf = rows_[static_cast<size_t>(row)];
  const int count = CountOf(buf);
  cells.reserve(static_cast<size_t>(count));
  for (int c = 0; c < count; ++c) cells.push_back(CellOf(buf, c));
  return cells;
}

// Writing one cell costs the cell and the bytes behind it in its row, never a
// rebuild of the row from its cells: a row of 20,000 cells filled one by one
// must not copy itself 20,000 times.
void Sheet::SetCell(int row, int col, std::string_view text) {
  if (row < 0 || col < 0) return;
  // text may point into a row that the change moves or rewrites: copy it then.
  std::string copy;
  if (row >= static_cast<int>(rows_.size())) {
    if (text.empty()) return;
    copy.assign(text);
    text = copy;
    if (journal_.to != nullptr) journal_.to->NoteExtent(*this);
    rows_.resize(static_cast<size_t>(row) + 1);
  }
  RowBuffer& buf = rows_[static_cast<size_t>(row)];
  if (journal_.to != nullptr && journal_.to->WantsRow(*this, row)) {
    journal_.to->KeepRow(row, RowBuffer(buf));
  }
  if (journal_.to != nullptr) journal_.to->TouchRows(row, row, col, col);
  if (copy.empty() && !buf.empty() && text.data() >= buf.data() &&
      text.data() < buf.data() + buf.size()) {
    copy.assign(text);
    text = copy;
  }
  const auto c = static_cast<size_t>(col);
  const RowLayout layout(buf);
  if (c < layout.count) {
    ReplaceCell(buf, c, text);
  } else if (!text.empty()) {
    AppendCell(buf, c, text);
  }
}

void Sheet::ReplaceCell(RowBuffer& buf, size_t col, std::string_view text) {
  const RowLayout layout(buf);
  const std::uint32_t begin = layout.Begin(buf.data(), col);
  const std::uint32_t end = layout.End(buf.data(), col);
  const std::uint32_t total = layout.Bytes(buf.data());
  const size_t new_total = total - (end - begin) + text.size();
  const bool trims = col + 1 == layout.count && text.empty();
  if (trims || (layout.narrow && new_total > 0xFFFF) || new_total > 0xFFFFFFFFu) {
    // The row ends in empty cells now, or outgrows its offsets: build it anew.
    std::vector<std::string_view> cells;
    cells.reserve(layout.count);
    for (size_t i = 0; i < layout.count; ++i) {
      cells.push_back(i == col ? text : CellOf(buf, static_cast<int>(i)));
    }
    const size_t slots = layout.slotted ? layout.slots : 0;
    buf = BuildRowOf(
        cells.size(), [&](size_t i) { return cells[i]; }, slots);
    return;
  }
  const std::ptrdiff_t delta =
      static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(end - begin);
  if (delta > 0) buf.resize(buf.size() + static_cast<size_t>(delta));
  char* data = buf.data() + layout.data;
  std::memmove(data + end + delta, data + end, total - end);
  if (delta < 0) buf.resize(buf.size() - static_cast<size_t>(-delta));
  data = buf.data() + layout.data;
  if (!text.empty()) std::memcpy(data + begin, text.data(), text.size());
  if (delta != 0) {
    for (size_t i = col; i < layout.count; ++i) {
      layout.SetEnd(buf.data(), i, static_cast<std::uint32_t>(layout.End(buf.data(), i) + delta));
    }
  }
}

void Sheet::AppendCell(RowBuffer& buf, size_t col, std::string_view text) {
  const RowLayout layout(buf);
  const std::uint32_t total = layout.Bytes(buf.data());
  const size_t new_count = col + 1;
  const size_t new_total = total + text.size();
  const bool fits = layout.slotted && new_count <= layout.slots &&
                    new_total <= (layout.narrow ? 0xFFFFu : 0xFFFFFFFFu);
  if (!fits) {
    // Room for twice the cells, so that filling a row one cell at a time
    // rebuilds it only as often as its size doubles.
    std::vector<std::string_view> cells;
    cells.reserve(new_count);
    for (size_t i = 0; i < layout.count; ++i) cells.push_back(CellOf(buf, static_cast<int>(i)));
    cells.resize(col);
    cells.push_back(text);
    buf = BuildRowOf(
        cells.size(), [&](size_t i) { return cells[i]; }, std::max<size_t>(8, 2 * new_count));
    return;
  }
  for (size_t i = layout.count; i < col; ++i) layout.SetEnd(buf.data(), i, total);
  layout.SetEnd(buf.data(), col, static_cast<std::uint32_t>(new_total));
  const std::uint32_t word = ReadU32(buf.data());
  WriteU32(buf.data(), (word & ~kCountMask) | static_cast<std::uint32_t>(new_count));
  buf.append(text);
}

void Sheet::SetRowCells(int row, std::span<const std::string_view> cells) {
  if (row < 0) return;
  if (row >= static_cast<int>(rows_.size())) rows_.resize(static_cast<size_t>(row) + 1);
  RowBuffer& buffer = rows_[static_cast<size_t>(row)];
  // Column 0 is kept; the new buffer is built before the old one goes, so it
  // may be read from while building.
  RowBuffer built = BuildRow(CellOf(buffer, 0), cells, true);
  if (journal_.to != nullptr) {
    // The old buffer itself goes to the journal: a paste over a large sheet
    // costs it no copy.
    if (journal_.to->WantsRow(*this, row)) journal_.to->KeepRow(row, std::move(buffer));
    journal_.to->TouchRows(row, row, 0, std::numeric_limits<int>::max());
  }
  buffer = std::move(built);
}

void Sheet::CopyRowFrom(const Sheet& from, int row) {
  if (row < 0 || &from == this) return;
  if (row >= static_cast<int>(rows_.size())) rows_.resize(static_cast<size_t>(row) + 1);
  RowBuffer& buffer = rows_[static_cast<size_t>(row)];
  if (journal_.to != nullptr) {
    if (journal_.to->WantsRow(*this, row)) journal_.to->KeepRow(row, std::move(buffer));
    journal_.to->TouchRows(row, row, 0, std::numeric_limits<int>::max());
  }
  if (row < static_cast<int>(from.rows_.size())) {
    buffer = from.rows_[static_cast<size_t>(row)];
  } else {
    buffer.clear();
  }
}

const CellInfo* Sheet::Info(int row, int col) const {
  auto it = infos_.find(CellPos{row, col});
  return it == infos_.end() ? nullptr : &it->second;
}

CellInfo& Sheet::AttachInfo(int row, int col) {
  // The caller may change the record through the reference: the journal keeps
  // it as it is now.
  if (journal_.to != nullptr) journal_.to->KeepInfo(*this, CellPos{row, col});
  return infos_[CellPos{row, col}];
}

void Sheet::RemoveInfo(int row, int col) {
  const auto it = infos_.find(CellPos{row, col});
  if (it == infos_.end()) return;
  if (journal_.to != nullptr) journal_.to->KeepInfo(*this, CellPos{row, col});
  infos_.erase(CellPos{row, col});
}

int Sheet::ColumnWidth(int col) const {
  auto it = widths_.find(col);
  return it == widths_.end() ? kDefaultColumnWidth : it->second;
}

void Sheet::SetColumnWidth(int col, int width) {
  if (ColumnWidth(col) == width) return;
  if (journal_.to != nullptr) journal_.to->KeepWidths(*this);
  if (width == kDefaultColumnWidth) {
    widths_.erase(col);
  } else {
    widths_[col] = width;
  }
}

void Sheet::ResetColumnWidths() {
  if (widths_.empty()) return;
  if (journal_.to != nullptr) journal_.to->KeepWidths(*this);
  widths_.clear();
}

void Sheet::NoteExtent() {
  if (journal_.to != nullptr) journal_.to->NoteExtent(*this);
}

void Sheet::SetLastRow(int row) {
  NoteExtent();
  last_row_ = row < 0 ? 0 : row;
}

void Sheet::SetLastCol(int col) {
  NoteExtent();
  last_col_ = col < 0 ? 0 : col;
}

void Sheet::RaiseExtent(int row, int col) {
  if (row <= last_row_ && col <= last_col_) return;
  NoteExtent();
  if (row > last_row_) last_row_ = row;
  if (col > last_col_) last_col_ = col;
}

void Sheet::SetBlankCols(int cols) {
  NoteExtent();
  blank_cols_ = cols < 0 ? 0 : cols;
}

void Sheet::InsertRows(int at, int count) {
  if (at < 0 || count <= 0) return;
  if (journal_.to != nullptr) {
    SheetJournal::Move move;
    move.kind = SheetJournal::Move::Kind::kRowsInserted;
    move.at = at;
    move.count = count;
    journal_.to->KeepMove(*this, std::move(move));
  }
  if (at < static_cast<int>(rows_.size())) {
    rows_.insert(rows_.begin() + at, static_cast<size_t>(count), RowBuffer{});
  }
  std::map<CellPos, CellInfo> moved;
  for (auto& [pos, info] : infos_) {
    CellPos p = pos;
    if (p.row >= at) p.row += count;
    moved.emplace(p, std::move(info));
  }
  infos_ = std::move(moved);
  if (last_row_ >= at) last_row_ += count;
}

void Sheet::DeleteRows(int at, int count) {
  if (at < 0 || count <= 0) return;
  // The removed rows go to the journal whole, buffers and records.
  std::optional<SheetJournal::Move> kept;
  if (journal_.to != nullptr) {
    kept.emplace();
    kept->kind = SheetJournal::Move::Kind::kRowsDeleted;
    kept->at = at;
    kept->count = count;
  }
  if (at < static_cast<int>(rows_.size())) {
    const int end = std::min(at + count, static_cast<int>(rows_.size()));
    if (kept) {
      kept->rows.assign(std::make_move_iterator(rows_.begin() + at),
                        std::make_move_iterator(rows_.begin() + end));
    }
    rows_.erase(rows_.begin() + at, rows_.begin() + end);
  }
  std::map<CellPos, CellInfo> moved;
  for (auto& [pos, info] : infos_) {
    if (pos.row >= at && pos.row < at + count) {
      if (kept) kept->infos.emplace(pos, std::move(info));
      continue;
    }
    CellPos p = pos;
    if (p.row >= at + count) p.row -= count;
    moved.emplace(p, std::move(info));
  }
  infos_ = std::move(moved);
  if (kept) journal_.to->KeepMove(*this, std::move(*kept));
  if (last_row_ >= at) last_row_ = std::max(at - 1, last_row_ - count);
}

void Sheet::InsertCols(int at, int count) {
  if (at < 0 || count <= 0) return;
  KeepWhole();
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    std::vector<std::string_view> cells = RowCells(r);
    if (at >= static_cast<int>(cells.size())) continue;
    std::vector<std::string> copy(cells.begin(), cells.end());
    copy.insert(copy.begin() + at, static_cast<size_t>(count), std::string{});
    std::vector<std::string_view> views(copy.begin(), copy.end());
    rows_[static_cast<size_t>(r)] = BuildRow(views);
  }
  std::map<CellPos, CellInfo> moved;
  for (auto& [pos, info] : infos_) {
    CellPos p = pos;
    if (p.col >= at) p.col += count;
    moved.emplace(p, std::move(info));
  }
  infos_ = std::move(moved);
  std::map<int, int> widths;
  for (auto [c, w] : widths_) widths[c >= at ? c + count : c] = w;
  widths_ = std::move(widths);
  if (last_col_ >= at) last_col_ += count;
}

void Sheet::DeleteCols(int at, int count) {
  if (at < 0 || count <= 0) return;
  KeepWhole();
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    std::vector<std::string_view> cells = RowCells(r);
    if (at >= static_cast<int>(cells.size())) continue;
    std::vector<std::string> copy(cells.begin(), cells.end());
    const int end = std::min(at + count, static_cast<int>(copy.size()));
    copy.erase(copy.begin() + at, copy.begin() + end);
    std::vector<std::string_view> views(copy.begin(), copy.end());
    rows_[static_cast<size_t>(r)] = BuildRow(views);
  }
  std::map<CellPos, CellInfo> moved;
  for (auto& [pos, info] : infos_) {
    if (pos.col >= at && pos.col < at + count) continue;
    CellPos p = pos;
    if (p.col >= at + count) p.col -= count;
    moved.emplace(p, std::move(info));
  }
  infos_ = std::move(moved);
  std::map<int, int> widths;
  for (auto [c, w] : widths_) {
    if (c >= at && c < at + count) continue;
    widths[c >= at + count ? c - count : c] = w;
  }
  widths_ = std::move(widths);
  if (last_col_ >= at) last_col_ = std::max(at - 1, last_col_ - count);
}

void Sheet::KeepWhole() {
  if (journal_.to == nullptr) return;
  SheetJournal::Move move;
  move.kind = SheetJournal::Move::Kind::kWhole;
  move.rows = rows_;
  move.infos = infos_;
  move.widths = widths_;
  journal_.to->KeepMove(*this, std::move(move));
}

void Sheet::JournalWhole() {
  if (journal_.to == nullptr) return;
  SheetJournal::Move move;
  move.kind = SheetJournal::Move::Kind::kWhole;
  move.rows = std::move(rows_);
  move.infos = std::move(infos_);
  move.widths = std::move(widths_);
  journal_.to->KeepMove(*this, std::move(move));
}

void Sheet::Clear() {
  JournalWhole();
  rows_.clear();
  rows_.shrink_to_fit();
  infos_.clear();
  widths_.clear();
  last_row_ = 0;
  last_col_ = 0;
  blank_cols_ = SheetExtent::kDefaultBlankCols;
}

// ---- the journal's way back ----

void Sheet::RestoreRow(int row, std::string&& buffer) {
  if (row < 0) return;
  if (row >= static_cast<int>(rows_.size())) {
    if (buffer.empty()) return;
    NoteExtent();
    rows_.resize(static_cast<size_t>(row) + 1);
  }
  RowBuffer& current = rows_[static_cast<size_t>(row)];
  if (journal_.to != nullptr) {
    if (journal_.to->WantsRow(*this, row)) journal_.to->KeepRow(row, std::move(current));
    journal_.to->TouchRows(row, row, 0, std::numeric_limits<int>::max());
  }
  current = std::move(buffer);
}

void Sheet::RestoreInfo(CellPos pos, std::optional<CellInfo>&& info) {
  if (journal_.to != nullptr) journal_.to->KeepInfo(*this, pos);
  if (info) {
    infos_[pos] = std::move(*info);
  } else {
    infos_.erase(pos);
  }
}

void Sheet::RestoreWidths(std::map<int, int>&& widths) {
  if (journal_.to != nullptr) journal_.to->KeepWidths(*this);
  widths_ = std::move(widths);
}

void Sheet::RestoreRows(int at, int count, std::vector<std::string>&& rows,
                        std::map<CellPos, CellInfo>&& infos) {
  if (journal_.to != nullptr) {
    SheetJournal::Move move;
    move.kind = SheetJournal::Move::Kind::kRowsInserted;
    move.at = at;
    move.count = count;
    journal_.to->KeepMove(*this, std::move(move));
  }
  // Rows beyond the stored ones are empty: they need storing only when
  // stored rows follow them.
  const bool any = std::any_of(rows.begin(), rows.end(), [](const auto& r) { return !r.empty(); });
  if (at < static_cast<int>(rows_.size()) || any) {
    if (static_cast<int>(rows_.size()) < at) rows_.resize(static_cast<size_t>(at));
    rows.resize(static_cast<size_t>(count));
    rows_.insert(rows_.begin() + at, std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
  }
  std::map<CellPos, CellInfo> moved;
  for (auto& [pos, info] : infos_) {
    CellPos p = pos;
    if (p.row >= at) p.row += count;
    moved.emplace(p, std::move(info));
  }
  moved.merge(infos);
  infos_ = std::move(moved);
}

void Sheet::RestoreWhole(std::vector<std::string>&& rows, std::map<CellPos, CellInfo>&& infos,
                         std::map<int, int>&& widths) {
  JournalWhole();
  rows_ = std::move(rows);
  infos_ = std::move(infos);
  widths_ = std::move(widths);
}

void Sheet::RestoreExtent(const SheetExtent& extent) {
  if (extent == Extent()) return;
  NoteExtent();
  last_row_ = extent.last_row;
  last_col_ = extent.last_col;
  blank_cols_ = extent.blank_cols;
}

}  // namespace typelane
