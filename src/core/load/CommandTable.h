#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/common/Text.h"
#include "core/sheet/CellKind.h"

namespace typelane {

// The command table: row 0 is the header (name title, a second column, the group
// names, a last column); rows 1.. are commands, one definition per group. The
// last row is always left empty for the editor to type into.
class CommandTable : public CommandNames {
 public:
  CommandTable();

  // Fills the table from lines: fields separated by TAB, CR skipped. The column
  // count is the widest line's field count; the table gets one row per line plus
  // the empty last row.
  void Load(std::span<const std::string> lines);
  void Load(std::span<const std::string_view> lines);

  // The lines commands.dat (and a sheet file's commands section) keeps: the
  // header (always, also when it is wholly empty) and one per command row whose
  // name is not empty, every cell joined by TAB.
  std::vector<std::string> SaveLines() const;

  // Removes rows with an empty name, except the last row.
  void Pack();

  bool IsCommand(std::string_view text) const override;
  // The definition of text in group; text itself when no command has that name.
  std::string TranslateCommand(std::string_view text, std::string_view group) const;

  // Header cells of columns 2 to ColCount()-2: the groups a user can choose.
  std::vector<std::string> GroupNames() const;

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColCount() const { return col_count_; }
  const std::string& Cell(int row, int col) const;
  // Grows the table as needed; the last row stays empty (a row is appended when
  // the last one gets a name).
  void SetCell(int row, int col, std::string_view text);
  void SetColCount(int cols);
  void InsertRow(int at);
  void DeleteRow(int at);
  void Clear();

 private:
  void Normalize();
  void Reindex();

  std::vector<std::vector<std::string>> rows_;
  int col_count_ = 1;
  // Command name, in any letter case -> first row with that name.
  std::unordered_map<std::string, int, NoCaseHash, NoCaseEqual> index_;
  size_t longest_name_ = 0;  // in bytes; letter case keeps a name's length
  // What every name begins with (upper-cased bytes) and which lengths names
  // have (bit n: a name of n bytes; bit 63: 63 or more): most cells a load
  // plays are data, and are told so without a lookup.
  std::array<std::uint64_t, 4> first_bytes_{};
  std::uint64_t lengths_ = 0;
};

}  // namespace typelane
