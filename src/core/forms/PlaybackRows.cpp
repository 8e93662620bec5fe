#include "core/forms/PlaybackRows.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/sheet/Sheet.h"

namespace typelane {

int ReplaceRecordedRows(Sheet& recording, const Sheet& data) {
  const int cols = recording.LastCol();

  std::vector<CellPos> recorded_comments;
  for (const auto& [pos, info] : recording.Infos()) {
    if (pos.row >= 1) recorded_comments.push_back(pos);
  }
  for (const CellPos& pos : recorded_comments) recording.RemoveInfo(pos.row, pos.col);
  const int old_rows = std::max(recording.LastRow(), recording.StoredRows() - 1);
  for (int r = 1; r <= old_rows; ++r) recording.SetRowCells(r, {});

  std::vector<std::string_view> cells(static_cast<size_t>(cols));
  for (int r = 1; r <= data.LastRow(); ++r) {
    for (int c = 1; c <= cols; ++c) cells[static_cast<size_t>(c - 1)] = data.Cell(r, c);
    recording.SetRowCells(r, cells);
  }
  for (const auto& [pos, info] : data.Infos()) {
    if (pos.row < 1 || pos.row > data.LastRow() || pos.col < 1 || pos.col > cols) continue;
    recording.AttachInfo(pos.row, pos.col) = info;
  }
  recording.SetLastRow(data.LastRow());
  return std::max(0, data.LastCol() - cols);
}

}  // namespace typelane
