#include "core/sheet/SheetJournal.h"

#include <algorithm>
#include <limits>

namespace typelane {
namespace {

// What a kept piece costs besides its bytes: the vector slot, the string or
// map node around it.
constexpr std::size_t kEntryCost = 48;

std::size_t InfoBytes(const CellInfo& info) { return kEntryCost + info.comment.capacity(); }

bool SameInfo(const std::optional<CellInfo>& kept, const CellInfo* now) {
  if (!kept.has_value() || now == nullptr) return !kept.has_value() && now == nullptr;
  return kept->comment == now->comment && kept->keep == now->keep;
}

}  // namespace

int SheetJournal::Moves() const {
  return static_cast<int>(std::count_if(segments_.begin(), segments_.end(),
                                        [](const Segment& s) { return s.move.has_value(); }));
}

SheetJournal::Segment& SheetJournal::Current() {
  if (segments_.empty() || segments_.back().move.has_value()) segments_.emplace_back();
  return segments_.back();
}

void SheetJournal::NoteExtent(const Sheet& sheet) {
  if (!extent_before_) extent_before_ = sheet.Extent();
}

bool SheetJournal::WantsRow(const Sheet& sheet, int row) {
  NoteExtent(sheet);
  Segment& segment = Current();
  const auto index = static_cast<std::size_t>(row);
  if (index < segment.rows_kept.size() && segment.rows_kept[index]) return false;
  if (index >= segment.rows_kept.size()) {
    segment.rows_kept.resize(std::max(index + 1, segment.rows_kept.size() * 2));
  }
  segment.rows_kept[index] = true;
  return true;
}

void SheetJournal::KeepRow(int row, std::string&& buffer) {
  bytes_ += kEntryCost + buffer.capacity();
  Current().rows.emplace_back(row, std::move(buffer));
}

void SheetJournal::KeepInfo(const Sheet& sheet, CellPos pos) {
  NoteExtent(sheet);
  Segment& segment = Current();
  if (!segment.infos_kept.emplace(pos, true).second) return;
  const CellInfo* info = sheet.Info(pos.row, pos.col);
  std::optional<CellInfo> kept;
  if (info != nullptr) kept = *info;
  bytes_ += kept ? InfoBytes(*kept) : kEntryCost;
  segment.infos.emplace_back(pos, std::move(kept));
  TouchRows(pos.row, pos.row, pos.col, pos.col);
}

void SheetJournal::KeepWidths(const Sheet& sheet) {
  NoteExtent(sheet);
  widths_touched_ = true;
  Segment& segment = Current();
  if (segment.widths_kept) return;
  segment.widths_kept = true;
  bytes_ += kEntryCost * (1 + sheet.ColumnWidths().size());
  segment.widths.push_back(sheet.ColumnWidths());
}

void SheetJournal::KeepMove(const Sheet& sheet, Move&& move) {
  NoteExtent(sheet);
  bytes_ += kEntryCost + move.widths.size() * kEntryCost;
  for (const std::string& row : move.rows) bytes_ += kEntryCost + row.capacity();
  for (const auto& [pos, info] : move.infos) bytes_ += InfoBytes(info);
  const int top = move.kind == Move::Kind::kWhole ? 0 : move.at;
  TouchRows(top, std::numeric_limits<int>::max(), 0, std::numeric_limits<int>::max());
  if (move.kind == Move::Kind::kWhole) widths_touched_ = true;
  Segment& segment = Current();
  segment.move = std::move(move);
  // Row numbers mean other rows from here on: the next segment keeps afresh.
  segment.rows_kept = {};
  segment.infos_kept.clear();
}

void SheetJournal::TouchRows(int top, int bottom, int left, int right) {
  if (touched_.Empty()) {
    touched_ = CellRect{top, left, bottom, right};
    return;
  }
  touched_.top = std::min(touched_.top, top);
  touched_.left = std::min(touched_.left, left);
  touched_.bottom = std::max(touched_.bottom, bottom);
  touched_.right = std::max(touched_.right, right);
}

void SheetJournal::Seal() {
  for (Segment& segment : segments_) {
    segment.rows_kept = {};
    segment.infos_kept.clear();
    segment.widths_kept = false;
  }
}

bool SheetJournal::ChangedFrom(const Sheet& sheet) const {
  if (Empty()) return false;
  if (Moves() > 0 || *extent_before_ != sheet.Extent()) return true;
  if (segments_.empty()) return false;
  const Segment& segment = segments_.front();
  if (segment.move.has_value()) return true;
  for (const auto& widths : segment.widths) {
    if (widths != sheet.ColumnWidths()) return true;
  }
  for (const auto& [pos, info] : segment.infos) {
    if (!SameInfo(info, sheet.Info(pos.row, pos.col))) return true;
  }
  for (const auto& [row, buffer] : segment.rows) {
    const std::string* now = row < static_cast<int>(sheet.rows_.size())
                                 ? &sheet.rows_[static_cast<std::size_t>(row)]
                                 : nullptr;
    if (now == nullptr ? !buffer.empty() : *now != buffer) return true;
  }
  return false;
}

void SheetJournal::Revert(Sheet& sheet) {
  // Newest first: a segment's move came after its other changes.
  for (auto segment = segments_.rbegin(); segment != segments_.rend(); ++segment) {
    if (segment->move) {
      Move& move = *segment->move;
      switch (move.kind) {
        case Move::Kind::kRowsInserted:
          sheet.DeleteRows(move.at, move.count);
          break;
        case Move::Kind::kRowsDeleted:
          sheet.RestoreRows(move.at, move.count, std::move(move.rows), std::move(move.infos));
          break;
        case Move::Kind::kWhole:
          sheet.RestoreWhole(std::move(move.rows), std::move(move.infos), std::move(move.widths));
          break;
      }
    }
    for (auto widths = segment->widths.rbegin(); widths != segment->widths.rend(); ++widths) {
      sheet.RestoreWidths(std::move(*widths));
    }
    for (auto info = segment->infos.rbegin(); info != segment->infos.rend(); ++info) {
      sheet.RestoreInfo(info->first, std::move(info->second));
    }
    for (auto row = segment->rows.rbegin(); row != segment->rows.rend(); ++row) {
      sheet.RestoreRow(row->first, std::move(row->second));
    }
  }
  if (extent_before_) sheet.RestoreExtent(*extent_before_);
  *this = SheetJournal();
}

}  // namespace typelane
