// Writing the sheet back as a playback file that enters every row:
// WritePlaybackFile and the source view.
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/forms/DropLists.h"
#include "core/forms/FormsContent.h"
#include "core/forms/Playback.h"
#include "core/forms/PlaybackLines.h"
#include "core/sheet/SheetJournal.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {

using namespace playback;

namespace {

std::string EditedStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (const std::tm* t = std::localtime(&now)) local = *t;
  char buffer[64];
  const size_t n = std::strftime(buffer, sizeof buffer, "%x %X", &local);
  return "# Edited using Typelane, " + std::string(buffer, n);
}

// Pads a list-of-values cell to the recorded number of values and gives it
// back in its quoted form.
std::string PadValues(std::string_view cell, size_t count, bool& missing) {
  Words values = SplitWords(cell, ' ');
  if (values.size() < count) {
    values.resize(count);
    missing = true;
  }
  return JoinWords(values, ' ', true);
}

}  // namespace

void WritePlaybackFile(FormsContent& document, TextOut& out) {
  FormsState& forms = document.forms;
  Sheet& sheet = document.sheet;
  // List values padded on the way out are the file's form of the cells, not an
  // edit the user could take back.
  const UnrecordedChanges unrecorded(sheet);
  const Options& options = document.options;
  BusyCursor busy(document.prompter());

  // ---- opening part ----
  std::vector<std::string> opening = forms.opening_lines;
  auto insert_at = [&opening](size_t index, std::string line) {
    index = std::min(index, opening.size());
    opening.insert(opening.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
  };
  insert_at(2, EditedStamp());
  std::string blocks = "##BLOCKS ";
  for (size_t i = 0; i < forms.fixed_blocks.size(); ++i) {
    if (i > 0) blocks.push_back(' ');
    blocks += forms.fixed_blocks[i];
  }
  insert_at(3, std::move(blocks));
  if (!document.description.empty()) insert_at(4, "##DESC=" + OneLine(document.description));

  Words words;
  int changed = 0;
  for (size_t i = 0; i < opening.size() && changed < 3; ++i) {
    const std::string& line = opening[i];
    if (!StartsWith(line, "VALUE") && !StartsWith(line, "USER_EXIT")) continue;
    EventLine event(line);
    if (event.Size() >= 4 && event.Word(4) == "USERNAME") {
      event.Set(6, Quoted(OneLine(options.user_name)));
    } else if (event.Size() >= 4 && event.Word(4) == "PASSWORD") {
      event.Set(6, Quoted(OneLine(options.password)));
    } else if (event.Size() >= 3 && event.Word(3) == "Responsibilities") {
      event.Set(4, Quoted(OneLine(options.responsibility)));
    } else {
      continue;
    }
    opening[i] = event.Text();
    ++changed;
  }
  for (const auto& line : opening) out.Line(line);

  // ---- one block of template lines per row ----
  // The last row ends after its last field with the closing lines; a working
  // copy keeps the document's template as it is whatever happens here.
  const std::vector<std::string>& saved = forms.record_template;
  const size_t keep = std::min(saved.size(), static_cast<size_t>(forms.last_field_line) + 1);
  std::vector<std::string> last_template(saved.begin(),
                                         saved.begin() + static_cast<std::ptrdiff_t>(keep));
  last_template.insert(last_template.end(), forms.closing_lines.begin(), forms.closing_lines.end());

  const int rows = std::max(sheet.LastRow(), 1);
  bool missing = false;
  for (int r = 1; r <= rows; ++r) {
    const std::vector<std::string>& lines = r == rows ? last_template : saved;
    int k = 0;
    for (const std::string& t : lines) {
      bool column = false;
      bool written = true;
      if (StartsWith(t, "VALUE")) {
        EventLine event(t);
        ++k;
        column = true;
        if (!forms.IsFixedBlock(event.Word(3))) {
          event.Set(5, RecordNumberPlus(event.Word(5), r - 1));
        }
        event.Set(6, Quoted(OneLine(sheet.Cell(r, k))));
        out.Line(event.Text());
        const CellInfo* info = sheet.Info(r, k);
        if (info != nullptr && !info->comment.empty()) {
          out.Line("##COMMENT=" + CommentForFile(info->comment));
        }
      } else if (StartsWith(t, "LOV")) {
        words = SplitWords(t, ' ');
        ++k;
        column = true;
        const size_t n = words.size() - 1;
        if (n > 1) {
          std::string padded = PadValues(OneLine(sheet.Cell(r, k)), n, missing);
          sheet.SetCell(r, k, padded);
          out.Line("LOV " + padded);
        } else {
          out.Line("LOV " + Quoted(OneLine(sheet.Cell(r, k))));
        }
      } else if (StartsWith(t, "USER_EXIT LOV")) {
        words = SplitWords(t, ' ');
        ++k;
        column = true;
        const std::string& name = Word(words, 3, t);
        const size_t n = words.size() - 3;
        if (n > 1) {
          std::string padded = PadValues(OneLine(sheet.Cell(r, k)), n, missing);
          sheet.SetCell(r, k, padded);
          out.Line("USER_EXIT LOV " + name + " " + padded);
        } else {
          out.Line("USER_EXIT LOV " + name + " " + Quoted(OneLine(sheet.Cell(r, k))));
        }
      } else if (StartsWith(t, "USER_EXIT FLEX UPDATE")) {
        EventLine event(t);
        ++k;
        column = true;
        event.Set(6, Quoted(OneLine(sheet.Cell(r, k))));
        out.Line(event.Text());
      } else if (StartsWith(t, "CLICK")) {
        EventLine event(t);
        if (!forms.IsFixedBlock(event.Word(3))) {
          event.Set(5, RecordNumberPlus(event.Word(5), r - 1));
        }
        if (IsDataClick(event.AllWords())) {
          ++k;
          column = true;
          event.Set(6, Quoted(OneLine(sheet.Cell(r, k))));
        }
        out.Line(event.Text());
      } else {
        written = false;
      }
      if (!written) out.Line(t);
      if (r == 1 && column) {
        out.Line("##WIDTH=" + std::to_string(sheet.ColumnWidth(k)));
        out.Line("##TITLE=" + OneLine(sheet.Cell(0, k)));
      }
    }
  }

  // ---- closing part ----
  // A one-row file ends with the closing lines where the recording went on to
  // the next record; that navigation travels as "##NewRecord:" lines so that
  // reading the file back restores the template.
  if (rows == 1) {
    for (size_t i = keep; i < saved.size(); ++i) out.Line("##NewRecord:" + saved[i]);
  }

  for (std::string& line : forms.exit_lines) {
    if (options.exit_apps) {
      if (StartsWith(line, "##")) line.erase(0, 2);
    } else if (!StartsWith(line, "##")) {
      line.insert(0, "##");
    }
    out.Line(line);
  }

  if (missing) {
    document.prompter().Warning(
        "One or more list of values did not contain enough values.\r\nMissing values were "
        "replaced with blank strings but the load may not work.");
  }
}

std::string ShowSource(FormsContent& document) {
  TextOut out;
  WritePlaybackFile(document, out);
  // The writer put list-of-values cells into their quoted, padded form.
  document.CellsChanged(CellRect{1, 1, document.sheet.LastRow(), document.sheet.LastCol()});
  document.forms.source_view = true;
  return out.Take();
}

void HideSource(FormsContent& document) { document.forms.source_view = false; }

}  // namespace typelane
