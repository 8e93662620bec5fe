#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

// Rows keep 16-bit offsets while their bytes fit, 32-bit ones beyond; cells
// must read back the same either way, and a row may be rebuilt from its own
// cells.
TEST(SheetRowStorage, NarrowAndWideRowsKeepTheirCells) {
  Sheet s;
  const std::string big(70000, 'x');
  std::vector<std::string> narrow = {"a", "", "ccc", std::string(65000, 'n'), "e"};
  std::vector<std::string> wide = {"a", big, "", "tail", ""};
  std::vector<std::string_view> nv(narrow.begin(), narrow.end());
  std::vector<std::string_view> wv(wide.begin(), wide.end());
  s.SetCell(1, 0, "row one");
  s.SetRowCells(1, nv);
  s.SetRowCells(2, wv);
  EXPECT_EQ(s.Cell(1, 0), "row one");  // column 0 is kept
  for (size_t i = 0; i < narrow.size(); ++i)
    EXPECT_EQ(s.Cell(1, static_cast<int>(i) + 1), narrow[i]);
  for (size_t i = 0; i < wide.size(); ++i) EXPECT_EQ(s.Cell(2, static_cast<int>(i) + 1), wide[i]);
  EXPECT_EQ(s.StoredCols(1), 6);
  EXPECT_EQ(s.StoredCols(2), 5);  // the trailing empty cell is not stored

  // Exactly 65535 bytes is the largest narrow row; one more is wide.
  for (size_t size : {size_t{65535}, size_t{65536}}) {
    std::vector<std::string> cells = {std::string(size - 1, 'p'), "q"};
    std::vector<std::string_view> views(cells.begin(), cells.end());
    s.SetRowCells(3, views);
    EXPECT_EQ(s.Cell(3, 1).size(), size - 1);
    EXPECT_EQ(s.Cell(3, 2), "q");
  }

  // Rebuilding a row from views into itself; a cell growing it past 64 KB.
  std::vector<std::string_view> own = {s.Cell(1, 3), s.Cell(1, 1)};
  s.SetRowCells(1, own);
  EXPECT_EQ(s.Cell(1, 1), "ccc");
  EXPECT_EQ(s.Cell(1, 2), "a");
  EXPECT_EQ(s.Cell(1, 3), "");
  s.SetCell(1, 2, big);
  EXPECT_EQ(s.Cell(1, 1), "ccc");
  EXPECT_EQ(s.Cell(1, 2), big);
  EXPECT_EQ(s.Cell(1, 0), "row one");
  s.SetCell(1, 2, "small again");
  EXPECT_EQ(s.Cell(1, 2), "small again");
  s.InsertCols(1, 1);
  EXPECT_EQ(s.Cell(1, 2), "ccc");
  EXPECT_EQ(s.Cell(2, 3), big);
}

}  // namespace
}  // namespace typelane
