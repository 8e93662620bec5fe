#pragma once

namespace typelane::ui {

// A rectangle of sheet cells, inclusive, in sheet coordinates (row 1 and
// column 1 are the first cells below and right of the headers).
struct GridRect {
  int left = 1;
  int top = 1;
  int right = 1;
  int bottom = 1;
  bool operator==(const GridRect&) const = default;
};

}  // namespace typelane::ui
