#include "core/load/CommandTable.h"

#include <algorithm>

#include "core/common/Text.h"

namespace typelane {
namespace {
const std::string kEmpty;

template <typename Line>
std::vector<std::vector<std::string>> ParseLines(std::span<const Line> lines, int& cols) {
  std::vector<std::vector<std::string>> rows;
  rows.reserve(lines.size() + 1);
  cols = 1;
  for (const auto& line : lines) {
    std::vector<std::string> fields(1);
    for (char c : std::string_view(line)) {
      if (c == '\t') {
        fields.emplace_back();
      } else if (c == '\r' || c == '\n') {
        // A line from a list never holds line breaks; CR is skipped as the
        // table has always done, a stray LF likewise.
      } else {
        fields.back().push_back(c);
      }
    }
    if (static_cast<int>(fields.size()) > cols) cols = static_cast<int>(fields.size());
    rows.push_back(std::move(fields));
  }
  return rows;
}
}  // namespace

CommandTable::CommandTable() { Clear(); }

void CommandTable::Clear() {
  rows_.assign(1, std::vector<std::string>(1));
  col_count_ = 1;
  index_.clear();
}

void CommandTable::Load(std::span<const std::string> lines) {
  rows_ = ParseLines(lines, col_count_);
  rows_.emplace_back();
  Normalize();
}

void CommandTable::Load(std::span<const std::string_view> lines) {
  rows_ = ParseLines(lines, col_count_);
  rows_.emplace_back();
  Normalize();
}

void CommandTable::Normalize() {
  for (auto& row : rows_) row.resize(static_cast<size_t>(col_count_));
  Reindex();
}

void CommandTable::Reindex() {
  index_.clear();
  longest_name_ = 0;
  first_bytes_ = {};
  lengths_ = 0;
  for (int r = 1; r < static_cast<int>(rows_.size()); ++r) {
    const std::string& name = rows_[static_cast<size_t>(r)][0];
    if (name.empty()) continue;
    index_.emplace(name, r);
    longest_name_ = std::max(longest_name_, name.size());
    const auto first = static_cast<unsigned char>(UpperChar(name[0]));
    first_bytes_[first >> 6] |= std::uint64_t{1} << (first & 63);
    lengths_ |= std::uint64_t{1} << std::min<size_t>(name.size(), 63);
  }
}

std::vector<std::string> CommandTable::SaveLines() const {
  std::vector<std::string> lines;
  for (size_t r = 0; r < rows_.size(); ++r) {
    const auto& row = rows_[r];
    // The header always goes out, even wholly empty: without it the first
    // command would become the header on reading.
    const bool keep = r == 0 || (!row.empty() && !row[0].empty());
    if (!keep) continue;
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line.push_back('\t');
      line += row[c];
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void CommandTable::Pack() {
  for (size_t r = 1; r + 1 < rows_.size();) {
    if (rows_[r][0].empty()) {
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(r));
    } else {
      ++r;
    }
  }
  Reindex();
}

bool CommandTable::IsCommand(std::string_view text) const {
  if (text.empty()) return false;
  if (IsBuiltInCommand(text)) return true;
  // A text longer than every name is no name: the grid asks this of every
  // cell it paints, and a cell may hold megabytes.
  if (text.size() > longest_name_) return false;
  if ((lengths_ & (std::uint64_t{1} << std::min<size_t>(text.size(), 63))) == 0) return false;
  const auto first = static_cast<unsigned char>(UpperChar(text[0]));
  if ((first_bytes_[first >> 6] & (std::uint64_t{1} << (first & 63))) == 0) return false;
  return index_.find(text) != index_.end();
}

std::string CommandTable::TranslateCommand(std::string_view text, std::string_view group) const {
  int group_col = 3;
  if (!rows_.empty()) {
    const auto& header = rows_[0];
    for (int c = 1; c < static_cast<int>(header.size()); ++c) {
      if (header[static_cast<size_t>(c)] == group) group_col = c;
    }
  }
  auto it = index_.find(text);
  if (it == index_.end()) return std::string(text);
  return Cell(it->second, group_col);
}

std::vector<std::string> CommandTable::GroupNames() const {
  std::vector<std::string> groups;
  if (rows_.empty()) return groups;
  for (int c = 2; c <= col_count_ - 2; ++c) groups.push_back(rows_[0][static_cast<size_t>(c)]);
  return groups;
}

const std::string& CommandTable::Cell(int row, int col) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return kEmpty;
  const auto& r = rows_[static_cast<size_t>(row)];
  if (col < 0 || col >= static_cast<int>(r.size())) return kEmpty;
  return r[static_cast<size_t>(col)];
}

void CommandTable::SetCell(int row, int col, std::string_view text) {
  if (row < 0 || col < 0) return;
  if (col >= col_count_) SetColCount(col + 1);
  while (row >= static_cast<int>(rows_.size())) {
    rows_.emplace_back(static_cast<size_t>(col_count_));
  }
  rows_[static_cast<size_t>(row)][static_cast<size_t>(col)] = std::string(text);
  // The editor always offers an empty row at the end.
  if (row == static_cast<int>(rows_.size()) - 1 && !text.empty()) {
    rows_.emplace_back(static_cast<size_t>(col_count_));
  }
  if (col == 0) Reindex();
}

void CommandTable::SetColCount(int cols) {
  col_count_ = cols < 1 ? 1 : cols;
  Normalize();
}

void CommandTable::InsertRow(int at) {
  if (at < 1) at = 1;
  if (at > static_cast<int>(rows_.size())) at = static_cast<int>(rows_.size());
  rows_.insert(rows_.begin() + at, std::vector<std::string>(static_cast<size_t>(col_count_)));
  Reindex();
}

void CommandTable::DeleteRow(int at) {
  if (at < 1 || at >= static_cast<int>(rows_.size()) - 1) return;
  rows_.erase(rows_.begin() + at);
  Reindex();
}

}  // namespace typelane
