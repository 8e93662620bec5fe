#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Text.h"
#include "core/common/TextOrder.h"
#include "core/sheet/TextMeasure.h"

namespace typelane {

// Orders names the way the drop lists and the column items compare them: letter
// case ignored over the characters the bytes stand for (Windows-1252 or UTF-8),
// accented letters beside their base letter.
struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return CompareTextNoCase(a, b) < 0;
  }
};

// The learned values of the clicked Forms items: entries of the form
// form ":" block "." item "=" value, kept sorted without letter case and without
// duplicates (an entry equal to a held one but for letter case is not added).
// This is droplists.dat in memory.
class DropListEntries {
 public:
  // False when an equal entry (ignoring letter case) is already held.
  bool Add(std::string_view entry) { return entries_.emplace(entry).second; }
  bool Contains(std::string_view entry) const { return entries_.find(entry) != entries_.end(); }
  size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }
  const std::set<std::string, NoCaseLess>& Entries() const { return entries_; }

 private:
  std::set<std::string, NoCaseLess> entries_;
};

// Which Forms item made each drop-list column: names "Col" + column number,
// values form ":" block "." item. Only columns made by recorded data clicks have
// an entry. Names compare without letter case; a missing name gives "".
class ColumnItems {
 public:
  void Set(std::string_view name, std::string_view value) {
    items_.insert_or_assign(std::string(name), std::string(value));
  }
  std::string Value(std::string_view name) const {
    auto it = items_.find(name);
    return it == items_.end() ? std::string() : it->second;
  }
  // The item of a sheet column ("" when the column is not a drop-list column).
  std::string ItemOfColumn(int column) const { return Value("Col" + std::to_string(column)); }
  size_t Size() const { return items_.size(); }
  void Clear() { items_.clear(); }

 private:
  std::map<std::string, std::string, NoCaseLess> items_;
};

// The form, block and item of the first data event of a recording: when a
// recording comes back to it, the next record has begun.
struct FirstField {
  std::string form;
  std::string block;
  std::string item;
  bool operator==(const FirstField&) const = default;
};

// What a converted playback recording keeps besides the sheet. The converter
// (ConvertPlaybackFile) fills it, the writer (WritePlaybackFile) replays it once
// per sheet row. Owned by the Document as document.forms; New empties it.
struct FormsState {
  // ---- the five line lists ----
  // OpeningLines: the sign-on part, everything kept before the first data event.
  std::vector<std::string> opening_lines;
  // ExitLines: the non-comment lines from the first exit marker to the end. The
  // writer keeps them "##"-prefixed (commented out) while the ExitApps option is off.
  std::vector<std::string> exit_lines;
  // RecordTemplate: the event lines of the first recorded record.
  std::vector<std::string> record_template;
  // FixedBlocks: blocks whose record numbers are written as recorded instead of
  // advancing by one per sheet row. Membership ignores letter case.
  std::vector<std::string> fixed_blocks;
  // ClosingLines: what followed the last data event of the last record.
  std::vector<std::string> closing_lines;

  // LastFieldLine: index in record_template of the line that made the first
  // record's last column.
  int last_field_line = 0;
  FirstField first_field;

  // ---- drop lists: they exist only while the document kind is 3 ----
  bool drop_lists_active = false;
  // droplists.dat is there but could not be read: writing the entries held
  // would throw away every value it has learnt, so it is never written over.
  bool drop_lists_unreadable = false;
  DropListEntries drop_list_entries;
  ColumnItems column_items;

  // Whether the source view shows the written playback file instead of the grid.
  bool source_view = false;

  // How the grid measures title widths; null means FixedWidthMeasure. Set once
  // by whoever draws the grid; Clear leaves it alone.
  const TextMeasure* text_measure = nullptr;

  bool IsFixedBlock(std::string_view block) const {
    for (const auto& name : fixed_blocks) {
      if (SameText(name, block)) return true;
    }
    return false;
  }
  // Adds a block name unless it is listed already (ignoring letter case), so
  // the "##BLOCKS" line does not grow with every record or every round trip.
  void AddFixedBlock(std::string_view block) {
    if (!IsFixedBlock(block)) fixed_blocks.emplace_back(block);
  }

  const TextMeasure& Measure() const {
    static const FixedWidthMeasure fixed;
    return text_measure != nullptr ? *text_measure : fixed;
  }

  // The line lists and the first-field facts, as a new conversion starts.
  void ClearLines() {
    opening_lines.clear();
    exit_lines.clear();
    record_template.clear();
    fixed_blocks.clear();
    closing_lines.clear();
    last_field_line = 0;
    first_field = {};
  }

  // Everything New empties: the line lists and the drop-list data.
  void Clear() {
    ClearLines();
    drop_lists_active = false;
    drop_lists_unreadable = false;
    drop_list_entries.Clear();
    column_items.Clear();
    source_view = false;
  }
};

}  // namespace typelane
