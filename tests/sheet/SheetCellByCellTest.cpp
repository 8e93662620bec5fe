#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

// Cells written one at a time, in any order, over rows short and long (past
// 64 KB too), read back as a plain list of texts says they should.
TEST(SheetCellByCell, AgreesWithAPlainListOfCells) {
  Sheet sheet;
  std::vector<std::vector<std::string>> model(4);
  std::mt19937 rng(7);
  auto text_of = [&](int kind) -> std::string {
    switch (kind) {
      case 0:
        return "";
      case 1:
        return std::string(1 + rng() % 5, static_cast<char>('a' + rng() % 26));
      case 2:
        return std::string(200 + rng() % 300, 'm');
      default:
        return std::string(20000 + rng() % 30000, 'W');
    }
  };
  for (int step = 0; step < 4000; ++step) {
    const int row = static_cast<int>(rng() % 4);
    auto& cells = model[static_cast<size_t>(row)];
    // Mostly at or just past the end of the row, sometimes anywhere.
    int col = static_cast<int>(cells.size()) + static_cast<int>(rng() % 3) - 1;
    if (rng() % 4 == 0) col = static_cast<int>(rng() % (cells.size() + 2));
    if (col < 0) col = 0;
    const unsigned pick = rng() % 100;
    std::string text = text_of(pick < 15 ? 0 : pick < 80 ? 1 : pick < 97 ? 2 : 3);
    if (pick % 9 == 0 && !cells.empty()) {
      // A text taken from the same row.
      const int from = static_cast<int>(rng() % cells.size());
      text = std::string(sheet.Cell(row, from));
      sheet.SetCell(row, col, sheet.Cell(row, from));
    } else {
      sheet.SetCell(row, col, text);
    }
    if (static_cast<size_t>(col) >= cells.size()) {
      if (!text.empty()) cells.resize(static_cast<size_t>(col) + 1);
    }
    if (static_cast<size_t>(col) < cells.size()) cells[static_cast<size_t>(col)] = text;
    while (!cells.empty() && cells.back().empty()) cells.pop_back();
    // Rows grow past 64 KB now and then: start them again.
    if (rng() % 500 == 0) {
      sheet.SetRowCells(row, {});
      sheet.SetCell(row, 0, "");
      cells.clear();
    }
    ASSERT_EQ(sheet.StoredCols(row), static_cast<int>(cells.size())) << "step " << step;
    for (size_t c = 0; c < cells.size() + 2; ++c) {
      const std::string expected = c < cells.size() ? cells[c] : std::string();
      ASSERT_EQ(sheet.Cell(row, static_cast<int>(c)), expected)
          << "step " << step << ", row " << row << ", column " << c;
    }
  }
  // A row filled cell by cell can still have columns inserted and removed.
  sheet.InsertCols(1, 2);
  sheet.DeleteCols(1, 2);
  for (int row = 0; row < 4; ++row) {
    const auto& cells = model[static_cast<size_t>(row)];
    for (size_t c = 0; c < cells.size(); ++c)
      EXPECT_EQ(sheet.Cell(row, static_cast<int>(c)), cells[c]);
  }
}

// A recording of one record with 20,000 fields fills a row of 20,000 cells one
// by one. Each cell must cost about its own bytes, not a copy of the row so
// far: the bytes allocated stay within a small multiple of the row's size.
TEST(SheetCellByCell, FillingAWideRowIsLinear) {
  constexpr int kCells = 20000;
  std::vector<std::string> texts;
  size_t row_bytes = 0;
  for (int c = 1; c <= kCells; ++c) {
    texts.push_back("value " + std::to_string(c));
    row_bytes += texts.back().size() + 4;
  }
  Sheet sheet;
  const unsigned long long before = testing::AllocatedBytes();
  for (int c = 1; c <= kCells; ++c) {
    sheet.SetCell(0, c, texts[static_cast<size_t>(c - 1)]);
    sheet.SetCell(1, c, texts[static_cast<size_t>(c - 1)]);
  }
  const unsigned long long allocated = testing::AllocatedBytes() - before;
  EXPECT_EQ(sheet.Cell(1, kCells), "value 20000");
  EXPECT_EQ(sheet.Cell(0, 1), "value 1");
  // Rebuilt at most each time the row doubles: a few times its size. Copying
  // the row for every cell would take about kCells / 2 times its size.
  EXPECT_LT(allocated, 2 * 16 * row_bytes) << allocated << " bytes for rows of " << row_bytes;
}

}  // namespace
}  // namespace typelane
