#pragma once

#include "core/edit/EditContext.h"
#include "core/edit/SheetChange.h"
#include "core/sheet/CellRect.h"

namespace typelane {

// Column > Autofit Column (first_row 0, last_row LastRow) and the double-click
// on a column border: the column becomes as wide as its widest text in rows
// first_row..last_row, measured in the grid's font: 1.4 x the width for the
// title (row 0), 1.1 x for other rows, truncated from the exact product (a
// 50-pixel title gives 69). A column whose cells there are all empty keeps its
// width. Marks the document modified unless it is tab-delimited text, which
// keeps no widths.
SheetChange AutofitColumn(const EditContext& context, int column, int first_row, int last_row);

// Column > Autofit Selection: AutofitColumn for each selected column within
// LastCol, over the selected rows within LastRow (so without the title row).
// Nothing when the selection lies beyond the used extent.
SheetChange AutofitSelection(const EditContext& context, CellRect selection);

// The column's width becomes 1.4 x its title's width, truncated (the TitleSize
// option after an automatic title).
SheetChange FitColumnToTitle(const EditContext& context, int column);

// FitColumnToTitle for every titled column from 1 to LastCol (TitleSize after
// the heading editor opened by a double-click).
SheetChange FitColumnsToTitles(const EditContext& context);

}  // namespace typelane
