#include "core/files/SheetFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/FileText.h"
#include "core/common/Numbers.h"
#include "core/common/Prompter.h"
#include "core/common/SpanLineSource.h"
#include "core/files/SheetContent.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {
namespace {

constexpr std::string_view kFormatError = "Error reading Typelane file. Is it the correct format?";
constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kLineBreakMark = "%CRLF%";

// A comment or column width can raise the sheet's extent without any data
// behind it. Positions past these (the largest sheet a spreadsheet program
// offers) can only come from a damaged file; honouring them would make the
// next save write millions of empty rows, so such lines are passed over.
constexpr int kMaxRow = 1048576;
constexpr int kMaxCol = 16384;

// Splits at every TAB (no quoting). The views point into line.
void SplitTabs(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

const char* Flag(bool on) { return on ? "true" : "false"; }

// A per-command delay as the file keeps it. The table holds text (typed by the
// user, or made from a number, which gives 1e-05 for a very short delay); it
// goes out unchanged when the reader takes it back as the same number, and as
// plain digits when the reader would refuse it or read another number (1e3
// would read as 1.3), so a saved sheet always opens again. A text that is no
// number at all goes out unchanged: there is nothing better to write.
std::string DelayTextForFile(const std::string& value) {
  const auto number = TryStrToFloat(value);
  if (!number) return value;
  try {
    if (ParseDelayValue(value) == *number) return value;
  } catch (const ConversionError&) {
  }
  return FormatDelaySeconds(*number);
}

// Walks the lines once from the front, looking at one line at a time (a view
// that holds until the next step); a misplaced marker ends the walk after the
// one message.
class SheetFileReader {
 public:
  SheetFileReader(SheetContent& document, LineSource& lines) : doc_(document), lines_(lines) {
    Step();
  }

  // False when a format error ended the read early.
  bool Read() {
    if (!Expect("begindelays") || !ReadDelays()) return intact_;
    if (!Expect("beginheader") || !ReadHeader()) return intact_;
    if (!Expect("beginother") || !ReadOther()) return intact_;
    if (!Expect("begindata") || !ReadData()) return intact_;
    if (AtEnd()) return intact_;
    if (!Expect("beginoptions") || !ReadOptions()) return intact_;
    if (!Expect("beginformat") || !ReadFormat()) return intact_;
    if (AtEnd()) return intact_;
    if (!Expect("begincommands")) return intact_;
    ReadCommands();
    return intact_;
  }

 private:
  bool AtEnd() const { return !have_line_; }
  // Moves on to the next line.
  void Step() { have_line_ = lines_.Next(line_); }

  bool FormatError() {
    intact_ = false;
    doc_.prompter().Error(kFormatError);
    return false;
  }

  // The current line must be the marker; steps past it.
  bool Expect(std::string_view marker) {
    if (AtEnd() || line_ != marker) return FormatError();
    Step();
    return true;
  }

  // Calls each(line) for every line up to the closing marker and steps past
  // the marker. each returns false to end the whole read quietly. Running out
  // of lines before the marker is a format error.
  template <typename Each>
  bool Section(std::string_view end_marker, Each each) {
    while (!AtEnd()) {
      if (line_ == end_marker) {
        Step();
        return true;
      }
      const bool go_on = each(line_);
      Step();
      if (!go_on) return false;
    }
    return FormatError();
  }

  bool ReadDelays() {
    return Section("enddelays", [&](std::string_view line) {
      // The value is a number and never holds "="; a command's name may
      // (TOTAL=SUM=0 is the delay of the command TOTAL=SUM).
      const size_t eq = line.rfind('=');
      std::string_view name = eq == std::string_view::npos ? line : line.substr(0, eq);
      std::string_view value =
          eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
      // An unused row of the per-command table names no command; older files
      // carry it as a bare "=".
      if (name.empty()) return true;
      doc_.delays.SetDelayByName(name, ParseDelayValue(value));
      return true;
    });
  }

  bool ReadHeader() {
    // Titles of every header line run on into the next columns; they go into
    // the title row in one piece, also when the file breaks off inside the
    // section.
    std::vector<std::string> titles;
    const bool closed = Section("endheader", [&](std::string_view line) {
      if (line.empty()) return true;
      SplitTabs(line, fields_);
      titles.insert(titles.end(), fields_.begin(), fields_.end());
      return true;
    });
    if (!titles.empty()) {
      const std::vector<std::string_view> views(titles.begin(), titles.end());
      doc_.sheet.SetRowCells(0, views);
    }
    return closed;
  }

  bool ReadOther() {
    return Section("endother", [&](std::string_view line) {
      if (StartsWith(line, "Window=")) {
        doc_.window_title = std::string(line.substr(7));
      } else if (StartsWith(line, "Description=")) {
        doc_.description = std::string(line.substr(12));
      } else if (StartsWith(line, "CommandGroup=")) {
        group_ = std::string(line.substr(13));
      }
      return true;
    });
  }

  bool ReadData() {
    Sheet& sheet = doc_.sheet;
    int row = 0;
    sheet.ReserveRows(static_cast<int>(lines_.RemainingHint()) + 2);
    return Section("enddata", [&](std::string_view line) {
      SplitTabs(line, fields_);
      // A field reading "enddata" ends the file's interpretation there; the
      // fields in front of it still make the row.
      size_t count = fields_.size();
      bool stop = false;
      for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i] == "enddata") {
          count = i;
          stop = true;
          break;
        }
      }
      // Nothing is said, but what follows is not in the document.
      if (stop) intact_ = false;
      if (stop && count == 0) return false;
      ++row;
      sheet.SetRowCells(row, std::span<const std::string_view>(fields_.data(), count));
      sheet.SetLastRow(row);
      if (static_cast<int>(count) > sheet.LastCol()) sheet.SetLastCol(static_cast<int>(count));
      return !stop;
    });
  }

  bool ReadOptions() {
    Options& o = doc_.options;
    return Section("endoptions", [&](std::string_view line) {
      auto flag = [&](std::string_view key, bool& value) {
        if (!StartsWith(line, key)) return;
        // Only four characters are compared: "trueX" is on, "True" is off.
        value = line.substr(key.size(), 4) == "true";
      };
      auto number = [&](std::string_view key, std::int32_t& value) {
        if (StartsWith(line, key)) value = StrToInt(line.substr(key.size()));
      };
      flag("AutoTab=", doc_.auto_tab);
      flag("HourGlass=", o.hour_glass);
      flag("AutoInsert=", o.auto_insert);
      flag("ProgressBar=", o.progress_bar);
      flag("TitleSize=", o.title_size);
      flag("VerifyPaste=", o.verify_paste);
      number("DataColour=", o.data_colour);
      number("CommandColour=", o.command_colour);
      number("KeystrokeColour=", o.keystroke_colour);
      number("DataSource=", o.data_source);
      number("ImportLoad=", o.import_load);
      return true;
    });
  }

  bool ReadFormat() {
    Sheet& sheet = doc_.sheet;
    return Section("endformat", [&](std::string_view line) {
      const size_t eq = line.find('=');
      if (StartsWith(line, "ColumnWidth")) {
        if (eq == std::string_view::npos) throw ConversionError("'' is not a valid integer value");
        const int col = StrToInt(line.substr(11, eq - 11));
        const int width = StrToInt(line.substr(eq + 1));
        if (col >= 0 && col <= kMaxCol && width >= 0) sheet.SetColumnWidth(col, width);
      } else if (StartsWith(line, "Comment")) {
        const size_t comma = line.find(',');
        if (comma == std::string_view::npos || eq == std::string_view::npos || comma > eq) {
          throw ConversionError("'' is not a valid integer value");
        }
        const int col = StrToInt(line.substr(7, comma - 7));
        const int row = StrToInt(line.substr(comma + 1, eq - comma - 1));
        if (col < 0 || col > kMaxCol || row < 0 || row > kMaxRow) return true;
        CellInfo& info = sheet.AttachInfo(row, col);
        info.comment = ReplaceAll(line.substr(eq + 1), kLineBreakMark, kLineBreak);
        info.keep = 0;
        sheet.RaiseExtent(row, col);
      }
      return true;
    });
  }

  void ReadCommands() {
    std::vector<std::string> commands;
    const bool closed = Section("endcommands", [&](std::string_view line) {
      commands.emplace_back(line);
      return true;
    });
    if (!closed) return;
    doc_.LoadCommands(commands);
    doc_.command_group = group_;
  }

  SheetContent& doc_;
  LineSource& lines_;
  std::string_view line_;
  bool have_line_ = false;
  bool intact_ = true;
  std::string group_;
  std::vector<std::string_view> fields_;
};

}  // namespace

std::string FormatDelaySeconds(double seconds) {
  if (!std::isfinite(seconds)) return "0";
  // The shortest plain decimal that reads back as the very same number (0.2,
  // 1.5, 0.00001): no exponent, which the reader would take for a separator,
  // and no digits lost, so a saved delay opens as the delay that was saved.
  char buf[400];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed);
  std::string text = ec == std::errc() ? std::string(buf, end) : FormatFloat(seconds);
  if (text == "-0") text = "0";
  return text;
}

double ParseDelayValue(std::string_view value) {
  std::string text(value);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (i == 0 && c == '-') continue;
    text[i] = '.';
  }
  if (auto v = TryStrToFloat(text)) return *v;
  throw ConversionError("'" + std::string(value) + "' is not a valid floating point value");
}

void WriteSheetFile(const SheetContent& document, TextOut& out) {
  const Sheet& sheet = document.sheet;
  const DelaySettings& delays = document.delays;
  const Options& o = document.options;
  const int last_row = sheet.LastRow();
  const int last_col = sheet.LastCol();

  out.Line("begindelays");
  out.Line("DataDelay=" + FormatDelaySeconds(delays.data_delay));
  out.Line("CellDelay=" + FormatDelaySeconds(delays.cell_delay));
  out.Line("FormDelay=" + FormatDelaySeconds(delays.form_delay));
  out.Line("KeyHold=" + std::to_string(delays.key_hold));
  out.Line("SystemHold=" + std::to_string(delays.system_hold));
  out.Line("MenuCall=" + std::to_string(delays.menu_call));
  out.Line("HourGlass=" + std::to_string(delays.hour_glass));
  out.Line("PasteWait=" + FormatDelaySeconds(delays.paste_wait));
  out.Line("VerifyWait=" + FormatDelaySeconds(delays.verify_wait));
  for (const auto& row : delays.CommandDelays()) {
    // The unused row names no command and would read back as an empty value.
    if (row.name.empty()) continue;
    out.Append(row.name);
    out.Append('=');
    out.Append(DelayTextForFile(row.value));
    out.EndLine();
  }
  out.Line("enddelays");

  out.Line("beginheader");
  for (int c = 1; c <= last_col; ++c) {
    if (c > 1) out.Append('\t');
    out.Append(sheet.Cell(0, c));
  }
  out.EndLine();
  out.Line("endheader");

  out.Line("beginother");
  out.Line("Window=" + document.window_title);
  out.Line("Description=" + document.description);
  out.Line("CommandGroup=" + document.command_group);
  out.Line("endother");

  out.Line("begindata");
  for (int r = 1; r <= last_row; ++r) {
    for (int c = 1; c <= last_col; ++c) {
      if (c > 1) out.Append('\t');
      out.Append(sheet.Cell(r, c));
    }
    out.EndLine();
  }
  out.Line("enddata");

  out.Line("beginoptions");
  out.Line(std::string("AutoTab=") + Flag(document.auto_tab));
  out.Line(std::string("HourGlass=") + Flag(o.hour_glass));
  out.Line(std::string("AutoInsert=") + Flag(o.auto_insert));
  out.Line(std::string("ProgressBar=") + Flag(o.progress_bar));
  out.Line(std::string("TitleSize=") + Flag(o.title_size));
  out.Line("DataColour=" + std::to_string(o.data_colour));
  out.Line("CommandColour=" + std::to_string(o.command_colour));
  out.Line("KeystrokeColour=" + std::to_string(o.keystroke_colour));
  out.Line("DataSource=" + std::to_string(o.data_source));
  out.Line("ImportLoad=" + std::to_string(o.import_load));
  out.Line(std::string("VerifyPaste=") + Flag(o.verify_paste));
  out.Line("endoptions");

  out.Line("beginformat");
  for (const auto& [col, width] : sheet.ColumnWidths()) {
    if (col < 1 || col > last_col || width == Sheet::kDefaultColumnWidth) continue;
    out.Line("ColumnWidth" + std::to_string(col) + "=" + std::to_string(width));
  }
  // The records are kept in scan order (row by row, left to right); the file
  // lists them the other way round.
  std::vector<std::string> comments;
  for (const auto& [pos, info] : sheet.Infos()) {
    if (info.comment.empty()) continue;
    if (pos.row < 1 || pos.row > last_row || pos.col < 1 || pos.col > last_col) continue;
    comments.push_back("Comment" + std::to_string(pos.col) + "," + std::to_string(pos.row) + "=" +
                       ReplaceAll(info.comment, kLineBreak, kLineBreakMark));
  }
  for (auto it = comments.rbegin(); it != comments.rend(); ++it) out.Line(*it);
  out.Line("endformat");

  out.Line("begincommands");
  for (const auto& line : document.commands.SaveLines()) out.Line(line);
  out.Line("endcommands");
}

bool ReadSheetFile(SheetContent& document, std::span<const std::string_view> lines) {
  SpanLineSource source(lines);
  return ReadSheetFile(document, source);
}

bool ReadSheetFile(SheetContent& document, LineSource& lines) {
  return SheetFileReader(document, lines).Read();
}

std::optional<std::string> SheetFileCannotKeep(const SheetContent& document) {
  const Sheet& sheet = document.sheet;
  const int last_row = sheet.LastRow();
  const int last_col = sheet.LastCol();
  const std::string advice =
      "\rThe file was not saved. Change it, or save the sheet as a tab-delimited file.";
  // A header of one title is a line of its own.
  if (last_col == 1 && sheet.Cell(0, 1) == "endheader") {
    return "The title of column 1 reads \"endheader\", which ends the titles when a Typelane "
           "file is opened." +
           advice;
  }
  for (int r = 1; r <= last_row; ++r) {
    for (int c = 1; c <= last_col; ++c) {
      if (sheet.Cell(r, c) != "enddata") continue;
      return "The cell in row " + std::to_string(r) + ", column " + std::to_string(c) +
             " reads \"enddata\", which ends the data when a Typelane file is opened." + advice;
    }
  }
  for (const auto& line : document.commands.SaveLines()) {
    if (line != "endcommands") continue;
    return std::string(
               "A command of the command table reads \"endcommands\", which ends the commands "
               "when a Typelane file is opened.") +
           advice;
  }
  return std::nullopt;
}

}  // namespace typelane
