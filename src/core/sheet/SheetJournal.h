#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/sheet/CellRect.h"
#include "core/sheet/Sheet.h"
#include "core/sheet/SheetExtent.h"

namespace typelane {

// What a sheet held before the changes made while this journal was attached
// (Sheet::SetJournal), kept so that they can be taken back: the row buffers a
// change rewrote (moved here, not copied, where the change replaces a whole
// row), the comment records, the column widths, the rows a delete removed and
// the extent. Every change of the sheet goes through its few writers, so
// nothing an edit does can escape the journal.
//
// Rows are kept whole, in the sheet's own buffer format, so taking a change
// back gives the very bytes the cells had. Between two moves of rows (insert,
// delete) a row, a record and the widths are kept once, the first time they
// change: that is what they held before.
//
// Revert takes the changes back, newest first, on the sheet they were made
// on. What it overwrites goes into the journal then attached to the sheet,
// which is how a redo is recorded: reverting that one again repeats the
// change.
class SheetJournal {
 public:
  SheetJournal() = default;
  SheetJournal(SheetJournal&&) = default;
  SheetJournal& operator=(SheetJournal&&) = default;
  SheetJournal(const SheetJournal&) = delete;
  SheetJournal& operator=(const SheetJournal&) = delete;

  // Nothing was recorded.
  bool Empty() const { return !extent_before_.has_value(); }
  // Something was recorded and the sheet differs from what it was: a change
  // that wrote back what a cell held already is none.
  bool ChangedFrom(const Sheet& sheet) const;
  // Memory the journal holds (buffers and their bookkeeping), for the undo
  // history's bound.
  std::size_t Bytes() const { return bytes_; }
  // The cells whose text or comments were touched (row 0 holds the titles;
  // whole rows reach to the largest column number). Empty when none were.
  CellRect Touched() const { return touched_; }
  bool WidthsTouched() const { return widths_touched_; }
  // Rows were inserted or removed, or the whole sheet replaced.
  int Moves() const;
  // The extent before the first change.
  SheetExtent ExtentBefore() const { return extent_before_.value_or(SheetExtent{}); }

  // Takes every recorded change back on sheet, newest first, and sets the
  // extent it had. Whatever journal sheet has attached records what this
  // overwrites. The journal is spent afterwards.
  void Revert(Sheet& sheet);

  // Forgets which rows and records were kept already: a later change of them
  // is recorded again (the journal goes on after it was closed once).
  void Seal();

 private:
  friend class Sheet;

  // A move of rows, or the whole sheet replaced; it ends a segment.
  struct Move {
    enum class Kind { kRowsInserted, kRowsDeleted, kWhole } kind = Kind::kRowsInserted;
    int at = 0;
    int count = 0;
    // kRowsDeleted: the buffers removed (the stored ones among them) and
    // the comment records of the removed rows. kWhole: every row and record.
    std::vector<std::string> rows;
    std::map<CellPos, CellInfo> infos;
    std::map<int, int> widths;  // kWhole
    int blank_cols = 0;         // kWhole
  };
  // The changes between two moves, and the move that ended them.
  struct Segment {
    std::vector<std::pair<int, std::string>> rows;
    std::vector<std::pair<CellPos, std::optional<CellInfo>>> infos;
    std::vector<std::map<int, int>> widths;
    std::optional<Move> move;
    // Which rows and records are kept in this segment already.
    std::vector<bool> rows_kept;
    std::map<CellPos, bool> infos_kept;
    bool widths_kept = false;
  };

  // ---- called by the sheet before it changes ----
  void NoteExtent(const Sheet& sheet);
  // The row's buffer is about to be replaced or changed in place; the
  // journal takes a copy (KeepRowCopy) or the buffer itself (KeepRow).
  bool WantsRow(const Sheet& sheet, int row);
  void KeepRow(int row, std::string&& buffer);
  void KeepInfo(const Sheet& sheet, CellPos pos);
  void KeepWidths(const Sheet& sheet);
  void KeepMove(const Sheet& sheet, Move&& move);
  void TouchRows(int top, int bottom, int left, int right);
  Segment& Current();

  std::vector<Segment> segments_;
  std::optional<SheetExtent> extent_before_;
  CellRect touched_{1, 1, 0, 0};
  bool widths_touched_ = false;
  std::size_t bytes_ = 0;
};

// Changes the program makes to cells for its own bookkeeping, in place and
// wanted whatever is undone later (the playback writer's padded list values),
// are not recorded while this lives.
class UnrecordedChanges {
 public:
  explicit UnrecordedChanges(Sheet& sheet) : sheet_(sheet), journal_(sheet.Journal()) {
    sheet_.SetJournal(nullptr);
  }
  ~UnrecordedChanges() { sheet_.SetJournal(journal_); }
  UnrecordedChanges(const UnrecordedChanges&) = delete;
  UnrecordedChanges& operator=(const UnrecordedChanges&) = delete;

 private:
  Sheet& sheet_;
  SheetJournal* journal_;
};

}  // namespace typelane
