#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/sheet/SheetExtent.h"

namespace typelane {

class SheetJournal;

// The record a cell may carry besides its text: a comment and its keep flag.
struct CellInfo {
  std::string comment;
  std::int32_t keep = 0;
};

// Row and column of a cell, both from 0. Ordered row by row, then by column,
// which is the order every scan of the sheet takes.
struct CellPos {
  int row = 0;
  int col = 0;
  auto operator<=>(const CellPos&) const = default;
};

// The grid of text cells. Row 0 holds the column titles, column 0 the row numbers
// (shown by the grid, not stored). LastRow x LastCol is the used extent.
//
// Sheets run to hundreds of thousands of rows, so each row keeps all its cell
// bytes in one buffer with an end offset per cell, and comments and column
// widths live in side maps.
class Sheet {
 public:
  static constexpr int kDefaultColumnWidth = 64;

  // The text of a cell; empty for a cell that was never written.
  std::string_view Cell(int row, int col) const;
  // Writes a cell. Does not change the used extent. Costs the cell and the
  // bytes after it in its row, so filling a row cell by cell is linear.
  void SetCell(int row, int col, std::string_view text);
  // Replaces a whole row: cells[0] goes to column 1, cells[1] to column 2, ...
  void SetRowCells(int row, std::span<const std::string_view> cells);
  // Row `row` of from as this sheet's row, its buffer copied whole: the cheap
  // way to copy rows that hold nothing to leave out.
  void CopyRowFrom(const Sheet& from, int row);
  // Every stored cell of a row at once (cells[0] is column 0), as views into
  // the sheet: what reading the row cell by cell with Cell gives, without a
  // look-up per cell. cells keeps its capacity for the next row.
  void ReadRowCells(int row, std::vector<std::string_view>& cells) const;
  // Number of stored cells of a row, counting column 0.
  int StoredCols(int row) const;
  int StoredRows() const { return static_cast<int>(rows_.size()); }
  void ReserveRows(int rows) { rows_.reserve(static_cast<size_t>(rows)); }

  int LastRow() const { return last_row_; }
  int LastCol() const { return last_col_; }
  void SetLastRow(int row);
  void SetLastCol(int col);
  // Raises the extent so that it covers (row, col); never lowers it.
  void RaiseExtent(int row, int col);

  // The grid always shows a margin of blank columns beyond the used extent:
  // BlankCols columns right of LastCol (100 for a new sheet, 0 for a converted
  // recording, which offers no columns beyond its own). Cells in the margin are
  // not part of the sheet. Extent() is what the grid's size follows from
  // (SheetExtent::GridRows, GridCols): the one place of that rule.
  int BlankCols() const { return blank_cols_; }
  void SetBlankCols(int cols);
  SheetExtent Extent() const { return SheetExtent{last_row_, last_col_, blank_cols_}; }

  // Per-cell records (comments).
  const CellInfo* Info(int row, int col) const;
  CellInfo& AttachInfo(int row, int col);  // creates an empty record when missing
  void RemoveInfo(int row, int col);
  const std::map<CellPos, CellInfo>& Infos() const { return infos_; }

  // Column widths in pixels; a column not listed has the default width.
  int ColumnWidth(int col) const;
  void SetColumnWidth(int col, int width);
  const std::map<int, int>& ColumnWidths() const { return widths_; }
  void ResetColumnWidths();

  // Inserting and deleting whole rows and columns moves cells, comments and
  // (for columns) widths with them.
  void InsertRows(int at, int count);
  void DeleteRows(int at, int count);
  void InsertCols(int at, int count);
  void DeleteCols(int at, int count);

  // Empties every cell, record and width, sets the extent to 0 x 0 and the
  // blank columns back to SheetExtent::kDefaultBlankCols.
  void Clear();

  // Every change from now on is recorded in journal first (what it
  // overwrites), until another journal or none (nullptr) is attached. A copy of
  // the sheet has none.
  void SetJournal(SheetJournal* journal) { journal_.to = journal; }
  SheetJournal* Journal() const { return journal_.to; }

 private:
  // The whole sheet as it is goes to the journal (rows, infos and widths are
  // moved out: the caller fills them anew).
  void JournalWhole();
  friend class SheetJournal;
  // A pointer that a copy of the sheet does not take over.
  struct JournalLink {
    SheetJournal* to = nullptr;
    JournalLink() = default;
    JournalLink(const JournalLink&) {}
    JournalLink& operator=(const JournalLink&) { return *this; }
  };

  // ---- the journal's way back (SheetJournal::Revert) ----
  void NoteExtent();
  void RestoreRow(int row, std::string&& buffer);
  void RestoreInfo(CellPos pos, std::optional<CellInfo>&& info);
  void RestoreWidths(std::map<int, int>&& widths);
  void RestoreRows(int at, int count, std::vector<std::string>&& rows,
                   std::map<CellPos, CellInfo>&& infos);
  void RestoreWhole(std::vector<std::string>&& rows, std::map<CellPos, CellInfo>&& infos,
                    std::map<int, int>&& widths);
  void RestoreExtent(const SheetExtent& extent);
  // InsertCols, DeleteCols: the journal keeps the whole sheet as it was.
  void KeepWhole();

  // One row: [uint32 count][end offset per cell, 16 or 32 bits][cell bytes...],
  // with a second word and spare offsets in a row filled cell by cell (see
  // Sheet.cpp). An empty string is a row with no stored cells.
  using RowBuffer = std::string;

  static int CountOf(const RowBuffer& row);
  static std::string_view CellOf(const RowBuffer& row, int col);
  static RowBuffer BuildRow(std::span<const std::string_view> cells);
  // The row (first, rest...) when with_first is set, else (rest...).
  static RowBuffer BuildRow(std::string_view first, std::span<const std::string_view> rest,
                            bool with_first);
  std::vector<std::string_view> RowCells(int row) const;
  // SetCell's two cases; text never points into buf.
  static void ReplaceCell(RowBuffer& buf, size_t col, std::string_view text);
  static void AppendCell(RowBuffer& buf, size_t col, std::string_view text);

  std::vector<RowBuffer> rows_;
  std::map<CellPos, CellInfo> infos_;
  std::map<int, int> widths_;
  int last_row_ = 0;
  int last_col_ = 0;
  int blank_cols_ = SheetExtent::kDefaultBlankCols;
  JournalLink journal_;
};

}  // namespace typelane
