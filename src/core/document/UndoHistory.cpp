#include "core/document/UndoHistory.h"

#include <algorithm>
#include <utility>

#include "core/document/Document.h"

namespace typelane {
namespace {

bool MovesRows(const SheetChange& c) { return c.rows_inserted > 0 || c.rows_removed > 0; }
bool MovesCols(const SheetChange& c) { return c.cols_inserted > 0 || c.cols_removed > 0; }

constexpr const char* kLooseStepName = "Edit";

}  // namespace

UndoHistory::UndoHistory(Sheet& sheet) : sheet_(sheet) { Attach(); }

UndoHistory::~UndoHistory() {
  if (sheet_.Journal() == &loose_ || sheet_.Journal() == &open_.journal) sheet_.SetJournal(nullptr);
}

void UndoHistory::Attach() {
  if (suspended_) return;
  sheet_.SetJournal(depth_ > 0 ? &open_.journal : &loose_);
}

// ---- steps ----

void UndoHistory::Begin(std::string name, std::string merge_key) {
  if (depth_++ > 0 || suspended_) return;
  Settle();
  open_ = Step{};
  merged_ = false;
  if (!merge_key.empty() && redo_.empty() && !undo_.empty() &&
      undo_.back().merge_key == merge_key && undo_.back().id != saved_id_) {
    // The same typing goes on: its step grows.
    open_ = std::move(undo_.back());
    undo_.pop_back();
    merged_ = true;
  }
  open_.name = std::move(name);
  open_.merge_key = std::move(merge_key);
  Attach();
}

void UndoHistory::End() {
  if (depth_ == 0 || --depth_ > 0 || suspended_) return;
  Attach();
  open_.journal.Seal();
  const bool changed = open_.journal.ChangedFrom(sheet_);
  if (changed) {
    // Rows moved without the views being told so step by step (an edit that
    // moved rows twice, or outside FinishEdit) are told as a new sheet.
    const int moves = open_.journal.Moves();
    if (moves > 1 || (moves == 1 && !MovesRows(open_.moves))) open_.reset_views = true;
    Push(std::move(open_));
  }
  open_ = Step{};
  // A command that marked the document without changing the sheet (a paste
  // into the description box) changed what the history does not hold.
  if (!changed && other_in_step_) other_change_ = true;
  other_in_step_ = false;
  // A merged step that came back to where it began is gone altogether.
  if (changed || merged_) Changed();
  merged_ = false;
}

void UndoHistory::Rename(std::string name) {
  if (depth_ > 0) open_.name = std::move(name);
}

void UndoHistory::Note(const SheetChange& change) {
  if (depth_ == 0 || suspended_) return;
  if (!MovesRows(change) && !MovesCols(change)) return;
  if (MovesRows(open_.moves) || MovesCols(open_.moves)) {
    open_.reset_views = true;
    return;
  }
  open_.moves = SheetChange{};
  open_.moves.rows_at = change.rows_at;
  open_.moves.rows_inserted = change.rows_inserted;
  open_.moves.rows_removed = change.rows_removed;
  open_.moves.cols_at = change.cols_at;
  open_.moves.cols_inserted = change.cols_inserted;
  open_.moves.cols_removed = change.cols_removed;
}

void UndoHistory::Settle() {
  if (suspended_ || depth_ > 0 || loose_.Empty()) return;
  loose_.Seal();
  if (loose_.ChangedFrom(sheet_)) {
    Step step;
    step.name = kLooseStepName;
    step.reset_views = loose_.Moves() > 0;
    step.journal = std::move(loose_);
    Push(std::move(step));
  }
  loose_ = SheetJournal();
  Attach();
}

void UndoHistory::Push(Step&& step) {
  step.id = ++next_id_;
  redo_.clear();
  undo_.push_back(std::move(step));
  Bound();
}

std::string UndoHistory::UndoName() const {
  if (loose_.ChangedFrom(sheet_)) return kLooseStepName;
  return undo_.empty() ? std::string() : undo_.back().name;
}

std::string UndoHistory::RedoName() const {
  return redo_.empty() ? std::string() : redo_.back().name;
}

// ---- undo and redo ----

bool UndoHistory::Undo(Document& document, CellRect* cells) {
  if (suspended_ || depth_ > 0) return false;
  Settle();
  if (undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  Apply(document, step, true, cells);
  redo_.push_back(std::move(step));
  TellModified(document);
  Changed();
  return true;
}

bool UndoHistory::Redo(Document& document, CellRect* cells) {
  if (suspended_ || depth_ > 0) return false;
  Settle();
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  Apply(document, step, false, cells);
  undo_.push_back(std::move(step));
  Bound();
  TellModified(document);
  Changed();
  return true;
}

void UndoHistory::Apply(Document& document, Step& step, bool undoing, CellRect* cells) {
  SheetObserverList& events = document.SheetEvents();
  const CellRect touched = step.journal.Touched();
  const bool widths = step.journal.WidthsTouched() || step.moves.widths;
  const SheetChange& m = step.moves;
  // Undoing an insert removes the rows again, and so on: the views hear the
  // same pairs an edit sends, the other way round.
  const bool insert_rows = undoing ? m.rows_removed > 0 : m.rows_inserted > 0;
  const bool remove_rows = undoing ? m.rows_inserted > 0 : m.rows_removed > 0;
  const bool insert_cols = undoing ? m.cols_removed > 0 : m.cols_inserted > 0;
  const bool remove_cols = undoing ? m.cols_inserted > 0 : m.cols_removed > 0;
  const int rows = std::max(m.rows_inserted, m.rows_removed);
  const int cols = std::max(m.cols_inserted, m.cols_removed);

  if (step.reset_views) {
    events.SheetAboutToBeReset();
  } else if (insert_rows) {
    events.RowsAboutToBeInserted(m.rows_at, rows);
  } else if (remove_rows) {
    events.RowsAboutToBeRemoved(m.rows_at, rows);
  } else if (insert_cols) {
    events.ColumnsAboutToBeInserted(m.cols_at, cols);
  } else if (remove_cols) {
    events.ColumnsAboutToBeRemoved(m.cols_at, cols);
  }

  SheetJournal other;
  sheet_.SetJournal(&other);
  step.journal.Revert(sheet_);
  other.Seal();
  step.journal = std::move(other);
  Attach();

  if (step.reset_views) {
    events.SheetReset(sheet_.Extent());
  } else if (insert_rows) {
    events.RowsInserted(m.rows_at, rows);
  } else if (remove_rows) {
    events.RowsRemoved(m.rows_at, rows);
  } else if (insert_cols) {
    events.ColumnsInserted(m.cols_at, cols);
  } else if (remove_cols) {
    events.ColumnsRemoved(m.cols_at, cols);
  }
  CellRect shown = touched;
  if (!shown.Empty()) {
    shown.top = std::max(shown.top, 0);
    shown.left = std::max(shown.left, 1);
    shown.bottom = std::min(shown.bottom, sheet_.Extent().GridRows() - 1);
    shown.right = std::min(shown.right, sheet_.Extent().GridCols() - 1);
  }
  document.CellsChanged(shown);
  if (widths) events.ColumnWidthsChanged(1, sheet_.Extent().GridCols() - 1);
  if (cells != nullptr) *cells = shown;
}

void UndoHistory::TellModified(Document& document) {
  applying_ = true;
  document.SetModified(!AtSavedState());
  applying_ = false;
}

// ---- the saved file ----

void UndoHistory::MarkSaved() {
  Settle();
  saved_id_ = CurrentId();
  other_change_ = false;
}

void UndoHistory::NoteOtherChange() {
  if (suspended_ || applying_) return;
  if (depth_ > 0) {
    other_in_step_ = true;
    return;
  }
  // Sheet changes outside a step are the loose step's, not another change.
  if (!loose_.Empty()) return;
  other_change_ = true;
}

bool UndoHistory::AtSavedState() const {
  return !other_change_ && !loose_.ChangedFrom(sheet_) && CurrentId() == saved_id_;
}

// ---- resets ----

void UndoHistory::Suspend() {
  suspended_ = true;
  sheet_.SetJournal(nullptr);
  undo_.clear();
  redo_.clear();
  loose_ = SheetJournal();
}

void UndoHistory::Restart(bool modified) {
  suspended_ = false;
  undo_.clear();
  redo_.clear();
  loose_ = SheetJournal();
  if (depth_ > 0) open_ = Step{};
  floor_id_ = ++next_id_;
  saved_id_ = modified ? kNever : floor_id_;
  other_change_ = false;
  Attach();
  Changed();
}

// ---- memory ----

void UndoHistory::SetLimit(std::size_t bytes) {
  limit_ = bytes;
  Bound();
}

std::size_t UndoHistory::Bytes() const {
  std::size_t total = loose_.Bytes();
  for (const Step& step : undo_) total += step.journal.Bytes();
  for (const Step& step : redo_) total += step.journal.Bytes();
  return total;
}

void UndoHistory::Bound() {
  // The newest step stays, however large: it is the one the user may want
  // back right now.
  while (undo_.size() > 1 && Bytes() > limit_) {
    floor_id_ = undo_.front().id;
    undo_.pop_front();
  }
}

}  // namespace typelane
