#include "core/sheet/Sheet.h"

#include <algorithm>
#include <cstring>

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

}  // namespace

int Sheet::CountOf(const RowBuffer& row) {
  return row.empty() ? 0 : static_cast<int>(ReadU32(row.data()) & ~kNarrowRow);
}

std::string_view Sheet::CellOf(const RowBuffer& row, int col) {
  if (row.empty()) return {};
  const std::uint32_t word = ReadU32(row.data());
  const int count = static_cast<int>(word & ~kNarrowRow);
  if (col < 0 || col >= count) return {};
  const char* header = row.data() + 4;
  std::uint32_t begin;
  std::uint32_t end;
  size_t data_start;
  if (word & kNarrowRow) {
    data_start = 4 + 2 * static_cast<size_t>(count);
    begin = col == 0 ? 0 : ReadU16(header + 2 * (col - 1));
    end = ReadU16(header + 2 * col);
  } else {
    data_start = 4 + 4 * static_cast<size_t>(count);
    begin = col == 0 ? 0 : ReadU32(header + 4 * (col - 1));
    end = ReadU32(header + 4 * col);
  }
  return std::string_view(row.data() + data_start + begin, end - begin);
}

Sheet::RowBuffer Sheet::BuildRow(std::span<const std::string_view> cells) {
  return BuildRow(std::string_view(), cells, false);
}

Sheet::RowBuffer Sheet::BuildRow(std::string_view first, std::span<const std::string_view> rest,
                                 bool with_first) {
  // Cell i of the row: first (when given), then rest.
  const size_t offset = with_first ? 1 : 0;
  auto cell = [&](size_t i) { return with_first && i == 0 ? first : rest[i - offset]; };
  // Trailing empty cells need no storage.
  size_t count = rest.size() + offset;
  while (count > 0 && cell(count - 1).empty()) --count;
  if (count == 0) return {};
  size_t bytes = 0;
  for (size_t i = 0; i < count; ++i) bytes += cell(i).size();
  const bool narrow = bytes <= 0xFFFF;
  const size_t width = narrow ? 2 : 4;
  RowBuffer row(4 + width * count + bytes, '\0');
  WriteU32(row.data(), static_cast<std::uint32_t>(count) | (narrow ? kNarrowRow : 0));
  char* header = row.data() + 4;
  char* data = row.data() + 4 + width * count;
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

std::string_view Sheet::Cell(int row, int col) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  return CellOf(rows_[static_cast<size_t>(row)], col);
}

int Sheet::StoredCols(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return 0;
  return CountOf(rows_[static_cast<size_t>(row)]);
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

void Sheet::SetCell(int row, int col, std::string_view text) {
  if (row < 0 || col < 0) return;
  if (row >= static_cast<int>(rows_.size())) {
    if (text.empty()) return;
    rows_.resize(static_cast<size_t>(row) + 1);
  }
  std::vector<std::string_view> cells = RowCells(row);
  if (col >= static_cast<int>(cells.size())) {
    if (text.empty()) return;
    cells.resize(static_cast<size_t>(col) + 1);
  }
  // text may point into this row's buffer: copy before rebuilding.
  std::string copy(text);
  cells[static_cast<size_t>(col)] = copy;
  rows_[static_cast<size_t>(row)] = BuildRow(cells);
}

void Sheet::SetRowCells(int row, std::span<const std::string_view> cells) {
  if (row < 0) return;
  if (row >= static_cast<int>(rows_.size())) rows_.resize(static_cast<size_t>(row) + 1);
  RowBuffer& buffer = rows_[static_cast<size_t>(row)];
  // Column 0 is kept; the new buffer is built before the old one goes, so it
  // may be read from while building.
  buffer = BuildRow(CellOf(buffer, 0), cells, true);
}

const CellInfo* Sheet::Info(int row, int col) const {
  auto it = infos_.find(CellPos{row, col});
  return it == infos_.end() ? nullptr : &it->second;
}

CellInfo& Sheet::AttachInfo(int row, int col) { return infos_[CellPos{row, col}]; }

void Sheet::RemoveInfo(int row, int col) { infos_.erase(CellPos{row, col}); }

int Sheet::ColumnWidth(int col) const {
  auto it = widths_.find(col);
  return it == widths_.end() ? kDefaultColumnWidth : it->second;
}

void Sheet::SetColumnWidth(int col, int width) {
  if (width == kDefaultColumnWidth) {
    widths_.erase(col);
  } else {
    widths_[col] = width;
  }
}

void Sheet::InsertRows(int at, int count) {
  if (at < 0 || count <= 0) return;
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
  if (at < static_cast<int>(rows_.size())) {
    const int end = std::min(at + count, static_cast<int>(rows_.size()));
    rows_.erase(rows_.begin() + at, rows_.begin() + end);
  }
  std::map<CellPos, CellInfo> moved;
  for (auto& [pos, info] : infos_) {
    if (pos.row >= at && pos.row < at + count) continue;
    CellPos p = pos;
    if (p.row >= at + count) p.row -= count;
    moved.emplace(p, std::move(info));
  }
  infos_ = std::move(moved);
  if (last_row_ >= at) last_row_ = std::max(at - 1, last_row_ - count);
}

void Sheet::InsertCols(int at, int count) {
  if (at < 0 || count <= 0) return;
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

void Sheet::Clear() {
  rows_.clear();
  rows_.shrink_to_fit();
  infos_.clear();
  widths_.clear();
  last_row_ = 0;
  last_col_ = 0;
}

}  // namespace typelane
