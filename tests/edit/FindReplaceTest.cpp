#include <gtest/gtest.h>

#include "core/document/DocumentEditing.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/FindReplace.h"
#include "files/FilesTestSupport.h"

namespace typelane {
namespace {

std::string Where(const std::optional<FindHit>& hit) {
  if (!hit) return "none";
  return "R" + std::to_string(hit->cell.row) + "C" + std::to_string(hit->cell.col) +
         (hit->in_comment ? " comment" : "") + (hit->wrapped ? " wrapped" : "");
}

// Finding goes row by row from the current cell and wraps; the options narrow
// it; Replace All changes every match in one undo step and counts the cells.
TEST(FindReplace, FindsFromTheCurrentCellAndReplaceAllIsOneStep) {
  testing::DocumentHarness h;
  Document& d = *h.doc;
  const FixedWidthMeasure measure{7, 0};
  Sheet& s = d.sheet;
  PasteCells(MakeEditContext(d, measure), CellRect{1, 1, 1, 1},
             "Miller\tx\tMILLER\r\nmillers\tMiller\ty\r\nz\tz\tz", "");
  s.SetCell(3, 1,
            "M\xFC"
            "ller");  // Windows-1252 bytes
  s.SetCell(0, 2, "Miller's");
  s.AttachInfo(3, 3).comment = "ask miller";
  d.History().Restart(false);

  FindOptions o;
  o.text = "miller";
  const CellRect all = WholeExtent(s);
  // Without match case every spelling matches, from the cell after the current.
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "R1C3");
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 3}, true)), "R2C1");
  EXPECT_EQ(Where(FindInSheet(s, o, all, {2, 2}, true)), "R1C1 wrapped");
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, false)), "R2C2 wrapped");
  o.text = "M\xC3\x9CLLER";  // MÜLLER finds the 1252 cell
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "R3C1");
  o.text = "Miller";
  o.match_case = true;
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "R2C2");
  o.whole_cell = true;
  o.match_case = false;
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 3}, true)), "R2C2");
  // Titles and comments only when asked; the selection only when given.
  o.whole_cell = false;
  o.text = "'s";
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "none");
  o.titles = true;
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "R0C2 wrapped");
  o.text = "ask";
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "none");
  o.comments = true;
  EXPECT_EQ(Where(FindInSheet(s, o, all, {1, 1}, true)), "R3C3 comment");
  o.text = "miller";
  o.titles = o.comments = false;
  EXPECT_EQ(Where(FindInSheet(s, o, CellRect{2, 2, 3, 3}, {2, 2}, true)), "R2C2 wrapped");

  // Replace All: every match, in every matching cell, the comment too.
  o.comments = true;
  int cells = 0;
  {
    EditStep step(d, "Replace All");
    FinishEdit(d, ReplaceAllInSheet(MakeEditContext(d, measure), o, all, "Smith", &cells));
  }
  EXPECT_EQ(cells, 5);
  EXPECT_EQ(s.Cell(1, 3), "Smith");
  EXPECT_EQ(s.Cell(2, 1), "Smiths");
  EXPECT_EQ(s.Info(3, 3)->comment, "ask Smith");
  EXPECT_EQ(s.Cell(0, 2), "Miller's");  // titles were not asked for
  EXPECT_EQ(s.Cell(3, 1),
            "M\xFC"
            "ller");
  EXPECT_TRUE(d.Modified());

  // Replace at one hit; the replacement keeps the cell's 1252 encoding.
  o.text = "\xC3\xBC";
  const auto hit = FindInSheet(s, o, all, {1, 1}, true);
  ASSERT_EQ(Where(hit), "R3C1");
  {
    EditStep step(d, "Replace");
    FinishEdit(d, ReplaceAt(MakeEditContext(d, measure), o, *hit, "\xC3\xA9"));
  }
  EXPECT_EQ(s.Cell(3, 1),
            "M\xE9"
            "ller");

  // Both come back, one step each.
  EXPECT_EQ(d.History().UndoName(), "Replace");
  ASSERT_TRUE(d.History().Undo(d));
  EXPECT_EQ(d.History().UndoName(), "Replace All");
  ASSERT_TRUE(d.History().Undo(d));
  EXPECT_EQ(s.Cell(1, 3), "MILLER");
  EXPECT_EQ(s.Info(3, 3)->comment, "ask miller");
  EXPECT_FALSE(d.Modified());
}

}  // namespace
}  // namespace typelane
