#include "core/forms/Playback.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/forms/DropLists.h"
#include "core/forms/FormsContent.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {
namespace {

using Words = std::vector<std::string>;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool IsComment(std::string_view line) { return StartsWith(line, "# "); }

bool IsExitMarker(std::string_view line) {
  return Contains(line, "EXIT_ORACLE_APPLICATIONS") || Contains(line, "MENU MAGIC MAGIC QUIT");
}

// Word n (from 1) of a split line. A recording that lacks it cannot be
// converted or written: the whole operation stops.
const std::string& Word(const Words& words, size_t n, std::string_view line) {
  if (n == 0 || n > words.size()) {
    throw PlaybackFormatError("word " + std::to_string(n) +
                              " missing in the playback line: " + std::string(line));
  }
  return words[n - 1];
}

std::string& Word(Words& words, size_t n, std::string_view line) {
  return const_cast<std::string&>(Word(static_cast<const Words&>(words), n, line));
}

// A data click makes a column; clicks on the toolbar, control blocks, the
// calendar or plain mouse clicks are navigation.
bool IsDataClick(const Words& words) {
  if (words.size() != 6) return false;
  const std::string& block = words[2];
  return block != "TOOLBAR" && block != "CTRL" && block != "CALENDAR" &&
         !Contains(block, "CONTROL") && words[5] != "MOUSE";
}

// The field named by the fourth word of the comment in front of an "LOV" line:
// form ":" block "." item; the item may be missing.
FirstField FieldOfLovComment(std::string_view comment) {
  const Words words = SplitWords(comment, ' ');
  const std::string& name = Word(words, 4, comment);
  const size_t colon = name.find(':');
  if (colon == std::string::npos) {
    throw PlaybackFormatError("no form:block.item in the comment before a list of values: " +
                              std::string(comment));
  }
  FirstField field;
  field.form = name.substr(0, colon);
  const std::string rest = name.substr(colon + 1);
  const size_t dot = rest.find('.');
  if (dot == std::string::npos) {
    field.block = rest;
  } else {
    field.block = rest.substr(0, dot);
    field.item = rest.substr(dot + 1);
  }
  return field;
}

// The values of a list-of-values choice as one cell: several values keep
// their quotes so that the writer can split them again.
std::string JoinValues(const Words& words, size_t first) {
  Words values(words.begin() + static_cast<std::ptrdiff_t>(std::min(first, words.size())),
               words.end());
  return JoinWords(values, ' ', values.size() >= 2);
}

std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  out.append(text);
  out.push_back('"');
  return out;
}

// A line break inside a value or comment would start a new event line in the
// written file; values keep one line.
std::string OneLine(std::string_view text) {
  if (text.find_first_of("\r\n") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.push_back(' ');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Comments keep their line breaks as "%CRLF%"; a lone CR or LF is a break too.
std::string CommentForFile(std::string_view comment) {
  std::string out;
  out.reserve(comment.size());
  for (size_t i = 0; i < comment.size(); ++i) {
    if (comment[i] == '\r' || comment[i] == '\n') {
      if (comment[i] == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') ++i;
      out.append("%CRLF%");
    } else {
      out.push_back(comment[i]);
    }
  }
  return out;
}

// An event line split into words that can be changed one at a time. Words
// that are not changed are written back exactly as recorded, quotes included,
// so a line that only gets a new value keeps the rest of its text.
class EventLine {
 public:
  explicit EventLine(std::string_view line) : line_(line) {
    std::vector<std::string_view> views;
    SplitWordsInto(line_, ' ', views);
    const char* begin = line_.data();
    const char* end = line_.data() + line_.size();
    words_.reserve(views.size());
    raw_.reserve(views.size());
    for (std::string_view v : views) {
      words_.emplace_back(v);
      // A quoted word's text starts just after its opening quote; the raw word
      // takes the quotes along.
      const char* first = v.data();
      const char* last = v.data() + v.size();
      if (first > begin && first[-1] == '"') {
        --first;
        if (last < end && *last == '"') ++last;
      }
      raw_.emplace_back(first, static_cast<size_t>(last - first));
    }
  }
  size_t Size() const { return words_.size(); }
  const std::string& Word(size_t n) const { return typelane::Word(words_, n, line_); }
  // Replaces word n by text, written as given.
  void Set(size_t n, std::string text) {
    Word(n);
    raw_[n - 1] = std::move(text);
    words_[n - 1] = raw_[n - 1];
  }
  void Erase(size_t n) {
    Word(n);
    raw_.erase(raw_.begin() + static_cast<std::ptrdiff_t>(n - 1));
    words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(n - 1));
  }
  const Words& AllWords() const { return words_; }
  std::string Text() const {
    std::string out;
    for (size_t i = 0; i < raw_.size(); ++i) {
      if (i > 0) out.push_back(' ');
      out += raw_[i];
    }
    return out;
  }

 private:
  std::string_view line_;
  Words words_;
  Words raw_;
};

std::string RecordNumberPlus(std::string_view number, int add) {
  const std::int64_t value = StrToInt(number);
  return std::to_string(value + add);
}

}  // namespace

std::string MakeColumnTitle(std::string_view item) {
  std::string title(item);
  std::replace(title.begin(), title.end(), '_', ' ');
  for (char& c : title) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  title = ReplaceAll(title, "mir", "");
  const size_t first = title.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const size_t last = title.find_last_not_of(' ');
  title = title.substr(first, last - first + 1);
  title[0] = UpperChar(title[0]);
  return title;
}

void FitColumnToTitle(Sheet& sheet, const TextMeasure& measure, int column) {
  const double width = measure.Width(sheet.Cell(0, column)) * 1.4;
  sheet.SetColumnWidth(column, static_cast<int>(width));
}

void FitColumnsToTitles(Sheet& sheet, const TextMeasure& measure) {
  for (int col = 1; col <= sheet.LastCol(); ++col) {
    if (!sheet.Cell(0, col).empty()) FitColumnToTitle(sheet, measure, col);
  }
}

bool ConvertPlaybackFile(FormsContent& document, std::span<const std::string_view> input) {
  // Converting into another kind would rewrite droplists.dat from an empty
  // list and lose what earlier recordings taught it.
  if (document.Kind() != DocumentKind::kPlayback || !document.forms.drop_lists_active) {
    document.SetDocumentKind(DocumentKind::kPlayback);
  }
  Sheet& sheet = document.sheet;
  FormsState& forms = document.forms;
  Prompter& prompter = document.prompter();
  BusyCursor busy(prompter);

  forms.ClearLines();
  sheet.SetLastCol(0);
  sheet.SetLastRow(0);

  // ---- first pass: continuation lines, sign-on part, exit, record count ----
  std::vector<std::string> lines;
  lines.reserve(input.size());
  bool found_first = false;
  bool exit_seen = false;
  // The recording must enter a record before it exits: an exit in the sign-on
  // part would leave no record and a live exit line among the sign-on lines.
  bool exit_before_first = false;
  size_t exit_pos = 0;
  size_t start_pos = 0;
  int first_field_visits = 0;
  Words words;

  for (size_t i = 0; i < input.size(); ++i) {
    // A line ending in a backslash takes the next line; the joined line is
    // not joined again.
    std::string line(input[i]);
    if (!line.empty() && line.back() == '\\') {
      line.pop_back();
      if (i + 1 < input.size()) {
        line.append(input[i + 1]);
        ++i;
      }
    }
    const size_t j = lines.size();
    lines.push_back(std::move(line));
    const std::string& cur = lines[j];
    const std::string_view prev = j > 0 ? std::string_view(lines[j - 1]) : std::string_view();

    if (IsExitMarker(cur)) {
      exit_pos = j;
      exit_seen = true;
    }

    if (!found_first) {
      const bool is_value = StartsWith(cur, "VALUE") && !Contains(cur, "FNDSCSGN");
      const bool is_lov = StartsWith(cur, "LOV") && j > 0 && !Contains(prev, "FNDSCSGN");
      if (is_value) {
        words = SplitWords(cur, ' ');
        forms.first_field = {Word(words, 2, cur), Word(words, 3, cur), Word(words, 4, cur)};
        start_pos = j;
        found_first = true;
        exit_before_first = exit_seen;
      } else if (is_lov) {
        forms.first_field = FieldOfLovComment(prev);
        start_pos = j - 1;
        found_first = true;
        exit_before_first = exit_seen;
      } else if (j >= 2 && (cur.empty() || IsComment(cur))) {
        // Comments after the header lines are not part of the sign-on.
      } else if (!StartsWith(cur, "##")) {
        forms.opening_lines.push_back(cur);
        if (StartsWith(cur, "VALUE") || StartsWith(cur, "USER_EXIT")) {
          words = SplitWords(cur, ' ');
          const bool sign_on = (words[0] == "USER_EXIT" && words.size() == 4) ||
                               (words[0] == "VALUE" && words.size() == 6);
          if (sign_on) {
            if (words[3] == "USERNAME" && words.size() == 6) {
              document.options.user_name = words[5];
            } else if (words[3] == "PASSWORD" && words.size() == 6) {
              document.options.password = words[5];
            } else if (words[2] == "Responsibilities") {
              document.options.responsibility = words[3];
            }
          }
        }
      } else if (StartsWith(cur, "##BLOCKS")) {
        words = SplitWords(cur, ' ');
        for (size_t w = 1; w < words.size(); ++w) {
          if (!words[w].empty()) forms.AddFixedBlock(words[w]);
        }
      } else if (StartsWith(cur, "##DESC=")) {
        document.description = cur.substr(7);
      }
    }

    if (found_first && !exit_seen && !cur.empty() && !IsComment(cur) && !Contains(cur, "WINDOW")) {
      const FirstField& ff = forms.first_field;
      const bool value = StartsWith(cur, "VALUE");
      if (value || StartsWith(cur, "CLICK")) {
        words = SplitWords(cur, ' ');
        if (words.size() >= 4 && words[1] == ff.form && words[2] == ff.block &&
            words[3] == ff.item) {
          ++first_field_visits;
        }
        if (value) {
          const std::string& number = Word(words, 5, cur);
          // A block that holds several records within one record, or that
          // starts again at record 1 in every record, keeps its numbers.
          if ((first_field_visits == 1 && StrToInt(number) > 1) ||
              (first_field_visits > 1 && number == "1")) {
            forms.AddFixedBlock(Word(words, 3, cur));
          }
        }
      } else if (StartsWith(cur, "LOV")) {
        if (Contains(prev, ff.form) && Contains(prev, ff.block) && Contains(prev, ff.item)) {
          ++first_field_visits;
        }
      }
    }

    if (exit_seen && !cur.empty() && !IsComment(cur)) forms.exit_lines.push_back(cur);
  }

  if (!found_first || !exit_seen || exit_before_first) {
    prompter.Error(
        "This file cannot be processed by Typelane.\r\nPlease check the file was recorded as "
        "required by Typelane.");
    document.NewSheet();
    return false;
  }

  // ---- trim to the recorded records ----
  lines.resize(exit_pos);
  if (start_pos >= lines.size()) {
    lines.clear();
  } else {
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(start_pos));
  }

  // ---- second pass: columns, rows, template, directives ----
  std::vector<std::string> new_record_lines;
  bool width_given = false;
  int k = 0;
  int row = 0;

  // Starts column k + 1 of the current row. Every data event needs a row: the
  // title row must never receive a value.
  auto next_column = [&](std::string_view line) {
    if (row == 0) {
      throw PlaybackFormatError("a data event before the first field: " + std::string(line));
    }
    ++k;
    if (k > sheet.LastCol()) sheet.SetLastCol(k);
  };
  auto first_row_column = [&](std::string_view title) {
    sheet.SetCell(0, k, title);
    forms.last_field_line = static_cast<int>(forms.record_template.size());
  };

  for (size_t j = 0; j < lines.size(); ++j) {
    const std::string& line = lines[j];
    if (line.empty()) continue;
    const bool comment = IsComment(line);
    if (comment && !(j + 1 < lines.size() && StartsWith(lines[j + 1], "LOV"))) continue;

    if (StartsWith(line, "VALUE") || StartsWith(line, "LOV")) {
      FirstField field;
      std::string text;
      words = SplitWords(line, ' ');
      if (line[0] == 'V') {
        field = {Word(words, 2, line), Word(words, 3, line), Word(words, 4, line)};
        text = Word(words, 6, line);
      } else {
        text = JoinValues(words, 1);
        if (j > 0 && IsComment(lines[j - 1])) field = FieldOfLovComment(lines[j - 1]);
      }
      if (field == forms.first_field) {
        if (sheet.LastRow() == 0 && line[0] == 'L' && j > 0) {
          forms.record_template.push_back(lines[j - 1]);
        }
        row = sheet.LastRow() + 1;
        sheet.SetLastRow(row);
        k = 0;
      }
      next_column(line);
      if (row == 1) first_row_column(MakeColumnTitle(field.item));
      sheet.SetCell(row, k, text);
    } else if (StartsWith(line, "USER_EXIT LOV")) {
      words = SplitWords(line, ' ');
      next_column(line);
      if (row == 1) first_row_column(Word(words, 3, line) + " Flexfield");
      sheet.SetCell(row, k, JoinValues(words, 3));
    } else if (StartsWith(line, "USER_EXIT FLEX UPDATE")) {
      words = SplitWords(line, ' ');
      const std::string& segment = Word(words, 4, line);
      const std::string& value = Word(words, 6, line);
      next_column(line);
      if (row == 1) first_row_column("Flexfield " + segment);
      sheet.SetCell(row, k, value);
    } else if (StartsWith(line, "CLICK")) {
      words = SplitWords(line, ' ');
      if (IsDataClick(words)) {
        next_column(line);
        const std::string item = words[1] + ":" + words[2] + "." + words[3];
        if (row == 1) {
          first_row_column(MakeColumnTitle(words[3]));
          forms.column_items.Set("Col" + std::to_string(k), item);
        }
        forms.drop_list_entries.Add(item + "=" + words[5]);
        sheet.SetCell(row, k, words[5]);
      }
    } else if (StartsWith(line, "##")) {
      if (StartsWith(line, "##WIDTH=")) {
        width_given = true;
        if (k > 0) sheet.SetColumnWidth(k, std::max(0, StrToInt(line.substr(8))));
      } else if (StartsWith(line, "##TITLE=")) {
        if (k > 0) sheet.SetCell(0, k, line.substr(8));
      } else if (StartsWith(line, "##COMMENT=")) {
        if (k > 0 && row > 0) {
          sheet.AttachInfo(row, k).comment = ReplaceAll(line.substr(10), "%CRLF%", "\r\n");
        }
      } else if (StartsWith(line, "##NewRecord:")) {
        new_record_lines.push_back(line.substr(12));
      }
    }

    if (row == 1 && !comment && !StartsWith(line, "##")) forms.record_template.push_back(line);
  }

  // ---- finishing ----
  WriteDropLists(document);

  // The closing commands follow the last record's last field: find the line
  // that wrote it and keep what comes after.
  bool closing_found = false;
  if (forms.last_field_line > 0) {
    EventLine last_field(forms.record_template[static_cast<size_t>(forms.last_field_line)]);
    const std::string& kind = last_field.Word(1);
    if ((kind == "VALUE" || kind == "CLICK") && !forms.IsFixedBlock(last_field.Word(3))) {
      last_field.Set(5, std::to_string(sheet.LastRow()));
    }
    last_field.Erase(6);
    const std::string search = last_field.Text();
    for (size_t p = lines.size(); p-- > 1;) {
      if (!StartsWith(lines[p], search)) continue;
      for (size_t q = p + 1; q < lines.size(); ++q) {
        if (!lines[q].empty() && lines[q][0] != '#') forms.closing_lines.push_back(lines[q]);
      }
      closing_found = true;
      break;
    }
  }
  if (!closing_found) prompter.Warning("Failed to identify the closing commands.");

  if (!new_record_lines.empty() && !forms.record_template.empty()) {
    forms.record_template.resize(static_cast<size_t>(forms.last_field_line) + 1);
    forms.record_template.insert(forms.record_template.end(), new_record_lines.begin(),
                                 new_record_lines.end());
  }

  if (!width_given) FitColumnsToTitles(sheet, forms.Measure());

  if (first_field_visits < 2 && new_record_lines.empty()) {
    prompter.Warning(
        "This load may fail for multiple records!\rTypelane did not detect navigation back to the "
        "first field when the record was complete.");
  }
  return true;
}

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
