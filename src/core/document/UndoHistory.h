#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "core/edit/SheetChange.h"
#include "core/sheet/CellRect.h"
#include "core/sheet/Sheet.h"
#include "core/sheet/SheetJournal.h"

namespace typelane {

class Document;

// Undo and redo of the open document's sheet: cells, titles, comments, column
// widths, inserted and deleted rows and columns, the extent.
//
// Every change of the sheet is recorded (SheetJournal) into the step that is
// open: an editing command opens one with its name (EditStep, in
// DocumentEditing.h) before its rule runs and closes it afterwards; a step
// that changed nothing is forgotten. A change made outside any step becomes
// a step of its own, "Edit", before the next one opens, so the steps always
// add up to every change since the document was opened: undoing them can
// never leave the sheet in a state that did not exist.
//
// The steps hold the sheet's own bytes of what they replaced (a delete of
// rows keeps the removed rows themselves, not a copy), and all of them
// together at most Limit() bytes: beyond it the oldest steps go. The step
// that matches the saved file is known: undoing or redoing back to it clears
// the modified flag, unless something that the history does not hold (the
// window name, the options...) changed since the save.
class UndoHistory {
 public:
  static constexpr std::size_t kDefaultLimit = std::size_t{256} << 20;

  explicit UndoHistory(Sheet& sheet);
  ~UndoHistory();
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // ---- steps ----
  // Opens a step named name ("Paste", "Fill Down"): the changes until the
  // matching End are one step. Nested steps are part of the outer one. A
  // step with a merge key continues the last step when that has the same key
  // and nothing came between (typing in the cell-text box, one cell).
  void Begin(std::string name, std::string merge_key = {});
  void End();
  bool InStep() const { return depth_ > 0; }
  // The open step's name, once the command knows what it did.
  void Rename(std::string name);
  // What an edit told its views (FinishEdit): the rows or columns it moved,
  // told again in reverse when the step is undone.
  void Note(const SheetChange& change);

  bool CanUndo() const { return !undo_.empty() || loose_.ChangedFrom(sheet_); }
  bool CanRedo() const { return !redo_.empty(); }
  // The names of the steps Undo and Redo would take back ("Paste"); empty
  // when there is none.
  std::string UndoName() const;
  std::string RedoName() const;

  // Takes the last step back (Undo) or repeats the last undone one (Redo),
  // telling the document's views as an edit would: rows and columns moved
  // back, the extent, the cells, the widths, the modified flag. False when
  // there was nothing to do; else cells is the part of the sheet that
  // changed (for the grid to show).
  bool Undo(Document& document, CellRect* cells = nullptr);
  bool Redo(Document& document, CellRect* cells = nullptr);

  // ---- the saved file ----
  // The sheet is now what the file holds.
  void MarkSaved();
  // The document changed in a way the history does not hold (called by
  // Document::SetModified outside a step): undoing no longer returns to the
  // saved file.
  void NoteOtherChange();
  // The steps lead back to what the file holds.
  bool AtSavedState() const;
  // Set while Undo and Redo set the modified flag themselves.
  bool Applying() const { return applying_; }

  // ---- New, Open, a switch of kind ----
  // The sheet is replaced wholesale: nothing is recorded until Restart.
  void Suspend();
  // Forgets every step; the sheet as it is now is the saved file unless
  // modified.
  void Restart(bool modified);

  // ---- memory ----
  std::size_t Limit() const { return limit_; }
  void SetLimit(std::size_t bytes);
  std::size_t Bytes() const;
  int UndoSteps() const { return static_cast<int>(undo_.size()); }

  // Told after every change of the steps (so Undo's and Redo's names follow).
  void SetOnChanged(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  struct Step {
    std::string name;
    std::string merge_key;
    // Before Undo: what the step replaced. On the redo side: what Undo
    // replaced, which Redo puts back.
    SheetJournal journal;
    // The rows or columns the step moved, as told when it was made.
    SheetChange moves;
    // The step moved rows in ways the views were not told one by one: they
    // are told the sheet was replaced instead.
    bool reset_views = false;
    std::uint64_t id = 0;
  };
  static constexpr std::uint64_t kNever = ~std::uint64_t{0};

  // Changes made outside any step become a step of their own.
  void Settle();
  void Push(Step&& step);
  void Apply(Document& document, Step& step, bool undoing, CellRect* cells);
  // The modified flag after Undo or Redo: clear exactly at the saved sheet.
  void TellModified(Document& document);
  void Bound();
  void Attach();
  std::uint64_t CurrentId() const { return undo_.empty() ? floor_id_ : undo_.back().id; }
  void Changed() {
    if (changed_) changed_();
  }

  Sheet& sheet_;
  std::deque<Step> undo_;
  std::deque<Step> redo_;
  SheetJournal loose_;  // changes outside any step
  Step open_;
  bool merged_ = false;
  int depth_ = 0;
  bool suspended_ = false;
  bool applying_ = false;
  bool other_change_ = false;
  bool other_in_step_ = false;
  std::uint64_t next_id_ = 1;
  std::uint64_t floor_id_ = 1;  // the state below the oldest step kept
  std::uint64_t saved_id_ = 1;
  std::size_t limit_ = kDefaultLimit;
  std::function<void()> changed_;
};

}  // namespace typelane
