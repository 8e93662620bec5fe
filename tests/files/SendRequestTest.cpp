#include <gtest/gtest.h>

#include "FilesTestSupport.h"
#include "core/document/MakeSendRequest.h"

namespace typelane {
namespace {

TEST(MakeSendRequest, TheDocumentAndTheChoiceMakeTheRequest) {
  testing::DocumentHarness h;
  Document& d = *h.doc;
  d.sheet.SetCell(4, 3, "x");
  d.sheet.RaiseExtent(4, 3);
  d.window_title = "Orders";
  d.command_group = "GroupA";
  d.auto_tab = true;
  d.options.progress_bar = false;
  d.options.hour_glass = true;

  // All cells: the whole used extent, the document's title and group.
  SendChoice all;
  SendRequest r = MakeSendRequest(d, all);
  EXPECT_TRUE(r.all_cells);
  EXPECT_EQ(r.selection, (CellRect{1, 1, 4, 3}));
  EXPECT_EQ(r.window_title, "Orders");
  EXPECT_EQ(r.group, "GroupA");
  EXPECT_TRUE(r.auto_tab);
  EXPECT_FALSE(r.progress_bar);
  EXPECT_TRUE(r.hour_glass);

  // The selection and the dialog's own texts, an empty one included.
  SendChoice some;
  some.all_cells = false;
  some.selection = CellRect{2, 2, 9, 9};
  some.window_title = "Invoices";
  some.group = "";
  r = MakeSendRequest(d, some);
  EXPECT_FALSE(r.all_cells);
  EXPECT_EQ(r.selection, (CellRect{2, 2, 9, 9}));
  EXPECT_EQ(r.window_title, "Invoices");
  EXPECT_EQ(r.group, "");
}

}  // namespace
}  // namespace typelane
