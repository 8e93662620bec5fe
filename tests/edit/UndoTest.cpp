#include <gtest/gtest.h>

#include <string>

#include "core/document/DocumentEditing.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/CellEdits.h"
#include "core/edit/ColumnWidths.h"
#include "core/edit/Comments.h"
#include "core/edit/FillCells.h"
#include "core/edit/InsertDelete.h"
#include "core/edit/Titles.h"
#include "core/load/Conversions.h"
#include "files/FilesTestSupport.h"
#include "support/RecordingObserver.h"

namespace typelane {
namespace {

using testing::DocumentHarness;

// Everything of the sheet a user could see or save: the extent, every stored
// cell (titles included), comments with their keep flags, and the widths.
std::string Dump(const Sheet& sheet) {
  std::string out = "extent " + std::to_string(sheet.LastRow()) + "x" +
                    std::to_string(sheet.LastCol()) + "+" + std::to_string(sheet.BlankCols()) +
                    "\n";
  for (int r = 0; r < sheet.StoredRows(); ++r) {
    for (int c = 1; c < sheet.StoredCols(r); ++c) {
      if (!sheet.Cell(r, c).empty()) {
        out += "R" + std::to_string(r) + "C" + std::to_string(c) + "=" +
               std::string(sheet.Cell(r, c)) + "\n";
      }
    }
  }
  for (const auto& [pos, info] : sheet.Infos()) {
    out += "note R" + std::to_string(pos.row) + "C" + std::to_string(pos.col) + "=" + info.comment +
           "/" + std::to_string(info.keep) + "\n";
  }
  for (const auto& [col, width] : sheet.ColumnWidths()) {
    out += "width C" + std::to_string(col) + "=" + std::to_string(width) + "\n";
  }
  return out;
}

// A document with a small sheet typed into it: titles, three rows, a comment,
// a width; the steps that made it are forgotten, as after opening a file.
struct UndoHarness {
  DocumentHarness h;
  Document& d = *h.doc;
  FixedWidthMeasure measure{7, 0};

  UndoHarness() {
    const EditContext c = Context();
    PasteCells(c, CellRect{1, 1, 1, 1}, "a1\ta2\ta3\r\nb1\tb2\tb3\r\nc1\tc2\tc3", "");
    d.sheet.SetCell(0, 1, "Name");
    d.sheet.SetCell(0, 2, "Data");
    d.sheet.AttachInfo(2, 2).comment = "note b2";
    d.sheet.SetColumnWidth(3, 120);
    d.History().Restart(false);
    d.SetModified(false);
  }
  EditContext Context() { return MakeEditContext(d, measure); }

  // Runs an editing rule as the grid does: one step, FinishEdit.
  template <typename F>
  void Edit(const char* name, F&& rule) {
    EditStep step(d, name);
    FinishEdit(d, rule(Context()));
  }
  bool Undo() { return d.History().Undo(d); }
  bool Redo() { return d.History().Redo(d); }
};

// Each kind of cell edit is one step that takes the cells, comments and
// extent back to their very bytes, and Redo repeats it.
TEST(Undo, CellEditsPasteFillClearAndConversionsComeBackExactly) {
  UndoHarness u;
  Document& d = u.d;
  std::vector<std::string> states{Dump(d.sheet)};
  auto done = [&] { states.push_back(Dump(d.sheet)); };

  // A pasted block repeated over a larger selection, with a comment, beyond
  // the extent.
  u.Edit("Paste", [](const EditContext& c) {
    return PasteCells(c, CellRect{2, 2, 5, 4}, "x\ty\r\n", "Comment1,1=pasted\r\n");
  });
  done();
  EXPECT_EQ(d.sheet.Cell(5, 3), "y");
  u.Edit("Fill Down", [](const EditContext& c) {
    return FillCells(c, CellRect{1, 1, 4, 1}, FillDirection::kDown);
  });
  done();
  u.Edit("Fill Left", [](const EditContext& c) {
    return FillCells(c, CellRect{3, 1, 3, 3}, FillDirection::kLeft);
  });
  done();
  u.Edit("Clear", [](const EditContext& c) { return ClearCells(c, CellRect{4, 1, 5, 4}); });
  done();
  u.Edit("Typing", [](const EditContext& c) { return EditCellInGrid(c, 7, 2, "typed"); });
  done();
  {
    // A conversion writes the sheet straight, as the Convert menu does.
    EditStep step(d, "Convert to Keystroke(s)");
    ConvertCells(d.sheet, d.commands, CellRect{1, 1, 2, 2}, Conversion::kKeystroke);
  }
  done();
  EXPECT_EQ(d.sheet.Cell(1, 1).substr(0, 1), "\\");
  EXPECT_EQ(d.History().UndoName(), "Convert to Keystroke(s)");

  // Back through every state, then forward again.
  for (size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(u.Undo());
    EXPECT_EQ(Dump(d.sheet), states[i - 1]) << "undoing step " << i;
  }
  EXPECT_FALSE(u.Undo());
  EXPECT_EQ(d.History().RedoName(), "Paste");
  for (size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(u.Redo());
    EXPECT_EQ(Dump(d.sheet), states[i]) << "redoing step " << i;
  }
  EXPECT_FALSE(u.Redo());

  // A new edit after an undo ends the redo side; an edit that changed nothing
  // (a fill of one row) is no step.
  ASSERT_TRUE(u.Undo());
  u.Edit("Fill Down", [](const EditContext& c) {
    return FillCells(c, CellRect{1, 1, 1, 3}, FillDirection::kDown);
  });
  EXPECT_EQ(d.History().UndoName(), "Typing");
  u.Edit("Paste", [](const EditContext& c) {
    return PasteCells(c, CellRect{9, 1, 9, 1}, "z", "");
  });
  EXPECT_FALSE(d.History().CanRedo());
  EXPECT_EQ(d.History().UndoName(), "Paste");
}

// Rows and columns moved by an edit move back, and the views hear the pairs
// the other way round, so a grid's model keeps its shape.
TEST(Undo, InsertedAndDeletedRowsAndColumnsMoveBackAndViewsFollow) {
  UndoHarness u;
  Document& d = u.d;
  testing::RecordingObserver seen;
  d.AddObserver(&seen);
  const std::string before = Dump(d.sheet);
  SheetObserverList& events = d.SheetEvents();

  u.Edit("Delete Rows", [&](const EditContext& c) {
    return DeleteCells(c, CellRect{1, 1, 2, 1}, WholeCells::kRows, events);
  });
  const std::string deleted = Dump(d.sheet);
  EXPECT_EQ(d.sheet.LastRow(), 1);
  EXPECT_EQ(d.sheet.Cell(1, 1), "c1");
  seen.Take();
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(Dump(d.sheet), before);
  const std::vector<std::string> undo_events = seen.Take();
  ASSERT_GE(undo_events.size(), 3u);
  EXPECT_EQ(undo_events[0], "rows insert begin 1 2");
  EXPECT_EQ(undo_events[1], "rows insert 1 2");
  EXPECT_EQ(undo_events[2], "extent 3x3+100");
  ASSERT_TRUE(u.Redo());
  EXPECT_EQ(Dump(d.sheet), deleted);
  EXPECT_EQ(seen.Take()[0], "rows remove begin 1 2");
  ASSERT_TRUE(u.Undo());

  u.Edit("Insert Columns", [&](const EditContext& c) {
    return InsertCells(c, CellRect{1, 2, 1, 3}, WholeCells::kColumns, events);
  });
  EXPECT_EQ(d.sheet.Cell(0, 4), "Data");
  EXPECT_EQ(d.sheet.ColumnWidth(5), 120);
  u.Edit("Insert Rows", [&](const EditContext& c) {
    return InsertCells(c, CellRect{2, 1, 3, 1}, WholeCells::kRows, events);
  });
  u.Edit("Delete Columns", [&](const EditContext& c) {
    return DeleteCells(c, CellRect{1, 1, 1, 1}, WholeCells::kColumns, events);
  });
  EXPECT_EQ(d.History().UndoName(), "Delete Columns");
  seen.Take();
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(seen.Take()[0], "cols insert begin 1 1");
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(seen.Take()[0], "rows remove begin 2 2");
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(seen.Take()[0], "cols remove begin 2 2");
  EXPECT_EQ(Dump(d.sheet), before);

  // Rows moved outside any command (the views were told nothing one by one)
  // come back as a new sheet for the views.
  d.sheet.DeleteRows(1, 1);
  d.sheet.DeleteRows(1, 1);
  seen.Take();
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(Dump(d.sheet), before);
  const std::vector<std::string> reset = seen.Take();
  ASSERT_GE(reset.size(), 2u);
  EXPECT_EQ(reset[0], "reset begin");
  EXPECT_EQ(reset[1], "reset 3x3+100");
  d.RemoveObserver(&seen);
}

// Titles, comments and widths are steps of their own, also the title
// commands that do not mark the document modified.
TEST(Undo, TitlesCommentsAndWidthsComeBack) {
  UndoHarness u;
  Document& d = u.d;
  std::vector<std::string> states{Dump(d.sheet)};
  auto done = [&] { states.push_back(Dump(d.sheet)); };

  u.Edit("Clear All Titles", [](const EditContext& c) { return ClearAllTitles(c); });
  done();
  EXPECT_EQ(d.sheet.Cell(0, 1), "");
  u.Edit("Edit Titles", [](const EditContext& c) {
    return SetTitles(c, {"", "First", "", "Third"});
  });
  done();
  u.Edit("Clear Title", [](const EditContext& c) { return ClearTitles(c, 3, 3); });
  done();
  // Typing a command name into row 1 titles its column by itself.
  u.Edit("Typing", [](const EditContext& c) { return EditCellInGrid(c, 1, 2, "SAVE"); });
  done();
  EXPECT_EQ(d.sheet.Cell(0, 2), "SAVE");
  // The cell-text box titles too; a click on an empty cell under a command
  // title inserts the command.
  u.Edit("Typing", [](const EditContext& c) { return EditCellInBox(c, 1, 3, "NEXT"); });
  done();
  EXPECT_EQ(d.sheet.Cell(0, 3), "NEXT");
  u.Edit("Insert Command", [](const EditContext& c) {
    CellClick click;
    click.previous = CellPos{1, 2};
    click.current = CellPos{4, 2};
    return ClickCell(c, click).change;
  });
  done();
  EXPECT_EQ(d.sheet.Cell(4, 2), "SAVE");
  u.Edit("Add Comment", [](const EditContext& c) { return AddComment(c, 6, 5); });
  done();
  EXPECT_EQ(d.sheet.LastRow(), 6);
  u.Edit("Edit Comment",
         [](const EditContext& c) { return SetCommentText(c, 6, 5, "two\nlines"); });
  done();
  u.Edit("Delete Comment", [](const EditContext& c) { return DeleteComment(c, 2, 2); });
  done();
  u.Edit("Autofit Column",
         [&](const EditContext& c) { return AutofitColumn(c, 1, 0, d.sheet.LastRow()); });
  done();
  {
    // Dragging a column's border sets its width straight.
    EditStep step(d, "Column Width");
    d.sheet.SetColumnWidth(2, 33);
  }
  done();

  for (size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(u.Undo());
    EXPECT_EQ(Dump(d.sheet), states[i - 1]) << "undoing step " << i;
  }
  for (size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(u.Redo());
    EXPECT_EQ(Dump(d.sheet), states[i]) << "redoing step " << i;
  }
}

// Undo back to the saved sheet clears the modified flag, redo sets it again;
// a change the history does not hold keeps it; New forgets every step.
TEST(Undo, TheSavedSheetIsKnownAndNewForgetsTheSteps) {
  UndoHarness u;
  Document& d = u.d;
  testing::RecordingObserver seen;
  d.AddObserver(&seen);
  u.Edit("Paste", [](const EditContext& c) {
    return PasteCells(c, CellRect{1, 1, 1, 1}, "p", "");
  });
  EXPECT_TRUE(d.Modified());
  u.h.prompter.files.push_back(FileChoice{u.h.dir / "saved.tyl", 1});
  ASSERT_TRUE(d.SaveFile(true));
  EXPECT_FALSE(d.Modified());
  // Typing marks the sheet before the cell takes the text.
  d.SetModifiedByTyping();
  u.Edit("Typing", [](const EditContext& c) { return EditCellInGrid(c, 2, 2, "t"); });
  u.Edit("Fill Right", [](const EditContext& c) {
    return FillCells(c, CellRect{2, 1, 2, 3}, FillDirection::kRight);
  });
  seen.Take();
  ASSERT_TRUE(u.Undo());
  EXPECT_TRUE(d.Modified());
  ASSERT_TRUE(u.Undo());
  EXPECT_FALSE(d.Modified());
  EXPECT_EQ(seen.Take().back(), "unmodified");
  ASSERT_TRUE(u.Undo());  // before the save: modified again
  EXPECT_TRUE(d.Modified());
  ASSERT_TRUE(u.Redo());
  EXPECT_FALSE(d.Modified());
  ASSERT_TRUE(u.Redo());
  EXPECT_TRUE(d.Modified());

  // The description is no sheet edit: undoing to the saved cells keeps the
  // flag, the description still differs from the file.
  ASSERT_TRUE(u.Undo());
  d.description = "changed";
  d.SetModified(true);
  u.Edit("Paste", [](const EditContext& c) {
    return PasteCells(c, CellRect{5, 5, 5, 5}, "q", "");
  });
  ASSERT_TRUE(u.Undo());
  EXPECT_TRUE(d.Modified());

  // A change made outside any step is a step of its own.
  d.sheet.SetCell(1, 3, "loose");
  EXPECT_EQ(d.History().UndoName(), "Edit");
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(d.sheet.Cell(1, 3), "a3");

  d.SetModified(false);
  ASSERT_TRUE(d.NewSheet());
  EXPECT_FALSE(d.History().CanUndo());
  EXPECT_FALSE(d.History().CanRedo());
  EXPECT_FALSE(u.Undo());
  d.RemoveObserver(&seen);
}

// The history keeps at most its limit: the oldest steps go first, the newest
// always stays, and what is left still undoes exactly (never back to a state
// it no longer holds, so the flag stays set).
TEST(Undo, MemoryIsBoundedByDroppingTheOldestSteps) {
  UndoHarness u;
  Document& d = u.d;
  d.History().SetLimit(64 * 1024);
  // Each paste replaces 500 rows of 20 cells of 20 bytes: about 200 KB kept,
  // beyond the limit alone.
  std::string block;
  for (int r = 0; r < 500; ++r) {
    for (int c = 0; c < 20; ++c) block += (c > 0 ? "\t" : "") + std::string(19, 'a' + r % 26);
    block += "\r\n";
  }
  std::vector<std::string> states;
  for (int i = 0; i < 4; ++i) {
    const std::string text = block + std::to_string(i);
    states.push_back(Dump(d.sheet));
    u.Edit("Paste", [&](const EditContext& c) {
      return PasteCells(c, CellRect{1, 1, 1, 1}, text, "");
    });
  }
  EXPECT_EQ(d.History().UndoSteps(), 1);
  EXPECT_LT(d.History().Bytes(), std::size_t{1} << 20);
  ASSERT_TRUE(u.Undo());
  EXPECT_EQ(Dump(d.sheet), states.back());
  EXPECT_FALSE(u.Undo());
  EXPECT_TRUE(d.Modified());

  // Under the default limit the same steps all stay.
  d.History().SetLimit(UndoHistory::kDefaultLimit);
  for (int i = 0; i < 4; ++i) {
    u.Edit("Paste", [&](const EditContext& c) {
      return PasteCells(c, CellRect{1, 1, 1, 1}, block + "x" + std::to_string(i), "");
    });
  }
  EXPECT_EQ(d.History().UndoSteps(), 4);
}

}  // namespace
}  // namespace typelane
