#pragma once

namespace typelane {

// The used extent of the sheet and the blank margin the grid shows beyond it.
// The grid's size follows from it alone: with LastRow 0 the grid has the title
// row and BlankRows blank rows; otherwise rows 0..LastRow plus BlankRows blank
// rows. Columns likewise with BlankCols (100 for a new sheet, 0 for a converted
// playback file, which offers no columns beyond its own).
struct SheetExtent {
  static constexpr int kBlankRows = 100;
  static constexpr int kDefaultBlankCols = 100;

  int last_row = 0;
  int last_col = 0;
  int blank_cols = kDefaultBlankCols;

  // Rows and columns of the grid, the fixed title row and row-number column
  // included.
  int GridRows() const { return (last_row <= 0 ? 1 : last_row + 1) + kBlankRows; }
  int GridCols() const { return (last_col <= 0 ? 1 : last_col + 1) + blank_cols; }

  bool operator==(const SheetExtent&) const = default;
};

}  // namespace typelane
