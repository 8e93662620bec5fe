// Reading a recorded playback file into the sheet: ConvertPlaybackFile and
// the column titles and widths it makes.
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/common/TextEncoding.h"
#include "core/forms/DropLists.h"
#include "core/forms/FormsContent.h"
#include "core/forms/Playback.h"
#include "core/forms/PlaybackLines.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {

using namespace playback;

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
  sheet.SetColumnWidth(column,
                       TruncatedProduct(measure.Width(DecodeText(sheet.Cell(0, column))), 1.4));
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

}  // namespace typelane
