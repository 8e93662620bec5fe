#include "core/document/Document.h"

#include <algorithm>
#include <optional>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/FileText.h"
#include "core/common/LineReader.h"
#include "core/common/TextEncoding.h"
#include "core/files/ProgramFolder.h"
#include "core/files/SheetFile.h"
#include "core/files/TabDelimited.h"
#include "core/forms/DropLists.h"
#include "core/forms/Playback.h"
#include "core/settings/SettingsStore.h"
#include "core/sheet/TextHelpers.h"

namespace typelane {

Document::Document(Prompter& prompter, SettingsStore& settings, std::string program_folder)
    : prompter_(prompter),
      settings_(settings),
      program_folder_(std::move(program_folder)),
      user_folder_(UserDataFolder()) {
  options = LoadOptionDefaults(settings_);
  history_.SetOnChanged([this] {
    if (!InReset()) Tell([](DocumentObserver& o) { o.HistoryChanged(); });
  });
}

std::string Document::SizeText() const {
  return " Data size: " + std::to_string(sheet.LastCol()) + " Cols, " +
         std::to_string(sheet.LastRow()) + " Rows";
}

std::string Document::CommandsPath() const {
  return DataFileToRead(user_folder_, program_folder_, "commands.dat");
}

std::string Document::DropListsPath() const {
  return DataFileToRead(user_folder_, program_folder_, "droplists.dat");
}

std::string Document::CommandsPathForWriting() const {
  return DataFileToWrite(user_folder_, program_folder_, "commands.dat");
}

std::string Document::DropListsPathForWriting() const {
  return DataFileToWrite(user_folder_, program_folder_, "droplists.dat");
}

bool Document::LoadCommands(std::span<const std::string> lines) {
  // The hourglass goes before a failure is told, not behind the message box.
  std::optional<BusyCursor> busy(std::in_place, prompter_);
  if (!lines.empty()) {
    commands.Load(lines);
    command_group.clear();
    TellCommandsReset();
    ValuesChanged();
    return true;
  }
  std::string bytes;
  try {
    bytes = ReadFileBytes(CommandsPath());
  } catch (const PlatformError&) {
    busy.reset();
    prompter_.Error(WithFileReason("Failed to open the commands file - no default commands loaded.",
                                   std::current_exception()));
    return false;
  }
  std::vector<std::string_view> file_lines = SplitLines(bytes);
  commands.Load(file_lines);
  command_group.clear();
  TellCommandsReset();
  ValuesChanged();
  return true;
}

bool Document::SaveCommands() {
  std::optional<BusyCursor> busy(std::in_place, prompter_);
  TextOut out;
  for (const auto& line : commands.SaveLines()) out.Line(line);
  try {
    WriteFileAtomic(CommandsPathForWriting(), out.Text());
  } catch (const std::exception&) {
    busy.reset();
    prompter_.Error(WithFileReason("Failed to save the commands file.", std::current_exception()));
    return false;
  }
  return true;
}

namespace {

// Hands the lines of a file on and notes which encoding they are in, the way
// EncodingOf reads the whole file: Windows-1252 once a line is not valid UTF-8,
// else UTF-8 once a line holds a non-ASCII character. (Line breaks are ASCII, so
// line by line reads the same as the whole file.)
class EncodingNotingSource : public LineSource {
 public:
  explicit EncodingNotingSource(LineSource& lines) : lines_(lines) {}
  bool Next(std::string_view& line) override {
    if (!lines_.Next(line)) return false;
    Note(line);
    return true;
  }
  size_t RemainingHint() const override { return lines_.RemainingHint(); }
  void Note(std::string_view bytes) {
    if (found_ == TextEncoding::kWindows1252) return;
    if (const auto encoding = EncodingOf(bytes)) found_ = *encoding;
  }
  std::optional<TextEncoding> Found() const { return found_; }

 private:
  LineSource& lines_;
  std::optional<TextEncoding> found_;
};

constexpr std::string_view kOpenFailed =
    "Failed to open the file or an error occured during file processing.";
constexpr std::string_view kSaveFailed = "Failed to save the file.";
constexpr std::string_view kSaveQuestion = "Do you want to save the current spreadsheet?";
constexpr std::string_view kRecentFilesNotSaved = "The list of recent files could not be saved.";
constexpr std::string_view kSupportAddress = "https://typelane.org/support";

std::string InterruptedSaveText(const std::string& file, const std::string& backup) {
  return "An earlier save of \"" + file +
         "\" was interrupted. A backup of the file as it was before that save is kept in \"" +
         backup + "\". Open the backup instead?";
}

std::string CaptionFor(const std::string& path) {
  std::string caption(kCaptionBase);
  caption += ' ';
  caption += path;
  return caption;
}

}  // namespace

// The recent list lives outside the program and comes back only as text to
// show and to hand to OpenFile; something that cannot be a file's path (a line
// break would split the menu entry) is not offered.
bool Document::UsableRecentPath(std::string_view path) {
  if (path.size() > 4096) return false;
  for (char c : path) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool Document::QuerySave() {
  if (!modified_) return true;
  switch (prompter_.Message(kTitleInfo, kSaveQuestion, Buttons::kYesNoCancel)) {
    case Answer::kYes:
      // A save that was cancelled or failed leaves the changes unsaved: going
      // on would throw them away.
      return SaveFile(false);
    case Answer::kNo:
      SetModified(false);
      return true;
    default:
      return false;
  }
}

bool Document::QueryClose() {
  if (modified_ && prompter_.Message(kTitleInfo, kSaveQuestion, Buttons::kYesNo) == Answer::kYes &&
      !SaveFile(false)) {
    return false;
  }
  WriteRecentFiles();
  return true;
}

void Document::ClearSheet() {
  BusyCursor busy(prompter_);
  // Comments and widths go with the cells: a new sheet starts with none.
  sheet.Clear();
}

bool Document::NewSheet() {
  if (!QuerySave()) return false;
  ResetScope reset(*this);
  file_name_.clear();
  partly_read_ = false;
  ClearSheet();
  description.clear();
  SetCaption(std::string(kCaptionBase));
  auto_tab = false;
  text_encoding = TextEncoding::kUtf8;
  window_title.clear();
  ValuesChanged();
  SetModified(false);
  ResetModels();
  sheet.ResetColumnWidths();
  forms.Clear();
  SetDocumentKind(DocumentKind::kSheetFile);
  return true;
}

DocumentKind Document::DetectFileKind(std::span<const std::string_view> lines, Prompter& prompter) {
  if (lines.empty()) return DocumentKind::kTabDelimited;
  const std::string_view first = lines[0];
  if (first == "begindelays") return DocumentKind::kSheetFile;
  const std::vector<std::string> words = SplitWords(first, ' ');
  if (words.size() == 5 && words[0] == "#" && words[1] == "Forms" && words[3] == "Event" &&
      words[4] == "File") {
    if (words[2] != "4.5" && words[2] != "6.0") {
      prompter.Warning("This version of Typelane has not been tested with Oracle Forms " +
                       words[2] + " Event Files.\rPlease check Veltrax's website for further " +
                       "support information - " + std::string(kSupportAddress));
    }
    return DocumentKind::kPlayback;
  }
  return DocumentKind::kTabDelimited;
}

bool Document::OpenFile(const std::string& name) {
  if (!QuerySave()) return false;
  if (!name.empty()) {
    file_name_ = name;
  } else {
    auto choice = prompter_.ChooseOpenFile(kOpenFilter, static_cast<int>(kind_), file_name_);
    if (!choice) return false;
    file_name_ = choice->path;
  }
  // A save that wrote over the file in place and did not finish may have left
  // it torn; the whole file as it was before is in the backup. The user
  // chooses which to open; both stay until the next save of the file.
  std::string source = file_name_;
  if (const std::string backup = InterruptedSaveBackup(file_name_); !backup.empty()) {
    if (prompter_.Message(kTitleWarning, InterruptedSaveText(file_name_, backup),
                          Buttons::kYesNo) == Answer::kYes) {
      source = backup;
    }
  }
  // The observers hear one reset, whether the open succeeds or fails; it ends
  // after the hourglass has gone and before the failure message is shown.
  std::optional<ResetScope> reset(std::in_place, *this);
  std::optional<BusyCursor> busy(std::in_place, prompter_);
  try {
    const std::string path = file_name_;
    NewSheet();
    file_name_ = path;
    partly_read_ = false;
    SetCaption(CaptionFor(file_name_));
    // Sheet files and tab-delimited text are read line by line, so a large
    // file is never in memory beside the sheet it fills; the kind comes from
    // the first line.
    LineReader file(source);
    EncodingNotingSource reader(file);
    std::string_view first_line;
    if (!reader.Next(first_line)) throw FileError(file_name_, "The file is empty");
    SetDocumentKind(DetectFileKind(std::span(&first_line, 1), prompter_));
    file.Unread();
    switch (kind_) {
      case DocumentKind::kSheetFile:
        partly_read_ = !ReadSheetFile(*this, reader);
        delays.SyncCommandDelays(commands);
        break;
      case DocumentKind::kTabDelimited:
        ReadTabDelimited(sheet, reader);
        break;
      case DocumentKind::kPlayback: {
        // The conversion joins, drops and searches lines: it takes the whole
        // file. The lines are views into bytes, which lives until it is done.
        const std::string bytes = file.ReadRest();
        reader.Note(bytes);
        const std::vector<std::string_view> lines = SplitLines(bytes);
        // A recording the converter refuses has been reported and reset
        // already: the open has failed, and the file is no recent file.
        if (!ConvertPlaybackFile(*this, lines)) return false;
        if (sheet.LastCol() > 0) sheet.SetBlankCols(0);
        break;
      }
    }
    text_encoding = reader.Found().value_or(
        kind_ == DocumentKind::kPlayback ? TextEncoding::kWindows1252 : TextEncoding::kUtf8);
    // Opened from the backup, the sheet differs from the file of its name
    // until it is saved.
    SetModified(source != file_name_);
    AddRecentFile(file_name_);
  } catch (...) {
    // The cursor comes back first, then the reset, then the message. The
    // reset asks no save question, whatever the reading did to the flag: a Yes
    // there would write the half-read sheet over the very file that failed to
    // open.
    const std::exception_ptr error = std::current_exception();
    busy.reset();
    SetModified(false);
    NewSheet();
    reset.reset();
    prompter_.Error(WithFileReason(kOpenFailed, error));
    return false;
  }
  return true;
}

bool Document::SaveFile(bool save_as) {
  std::optional<BusyCursor> busy(std::in_place, prompter_);
  if (save_as || file_name_.empty()) {
    auto choice =
        prompter_.ChooseSaveFile(SaveFileFilter(kind_), static_cast<int>(kind_), file_name_);
    if (!choice) return false;
    SetCaption(CaptionFor(choice->path));
    file_name_ = choice->path;
    // The chosen file type decides the kind, so Save As can turn a sheet file
    // into tab-delimited text and back. Only the types the dialog offered count.
    const int offered = kind_ == DocumentKind::kPlayback ? 3 : 2;
    if (choice->filter_index >= 1 && choice->filter_index <= offered) {
      SetDocumentKind(static_cast<DocumentKind>(choice->filter_index));
    }
  }
  if (kind_ == DocumentKind::kSheetFile) {
    // Written, the file would lose rows on opening: the old file is better kept.
    if (auto problem = SheetFileCannotKeep(*this)) {
      busy.reset();
      prompter_.Warning(*problem);
      return false;
    }
  }
  // The playback writer puts list-of-values cells into their quoted, padded
  // form, so the grid hears of it whether or not the write went through.
  const bool pads_cells = kind_ == DocumentKind::kPlayback;
  try {
    // The text goes to the file in blocks as it is made: a large sheet is
    // never in memory a second time as the text of its file.
    WriteFileAtomic(file_name_, [this](TextOut& out) {
      switch (kind_) {
        case DocumentKind::kSheetFile:
          WriteSheetFile(*this, out);
          break;
        case DocumentKind::kTabDelimited:
          WriteTabDelimited(sheet, out);
          break;
        case DocumentKind::kPlayback:
          WritePlaybackFile(*this, out);
          break;
      }
    });
  } catch (...) {
    if (pads_cells) CellsChanged(CellRect{1, 1, sheet.LastRow(), sheet.LastCol()});
    busy.reset();
    prompter_.Error(WithFileReason(kSaveFailed, std::current_exception()));
    return false;
  }
  if (pads_cells) CellsChanged(CellRect{1, 1, sheet.LastRow(), sheet.LastCol()});
  SetModified(false);
  history_.MarkSaved();
  AddRecentFile(file_name_);
  return true;
}

void Document::ResetModels() {
  LoadCommands({});
  delays.ResetToDefaults();
  delays.SyncCommandDelays(commands);
  TellDelaysReset();
  options = LoadOptionDefaults(settings_);
  TellOptionsReset();
}

void Document::AddRecentFile(const std::string& path) {
  const std::array<std::string, 5> before = recent_;
  auto& e = recent_;  // e[0] is entry 1
  if (path == e[4]) {
    e[4] = e[3];
    e[3] = path;
  }
  if (path == e[3]) {
    e[3] = e[2];
    e[2] = path;
  }
  if (path == e[2]) {
    e[2] = e[1];
    e[1] = path;
  }
  if (path == e[1]) {
    e[1] = e[0];
    e[0] = path;
  }
  if (path != e[0]) {
    for (int i = 3; i >= 0; --i) {
      if (!e[static_cast<size_t>(i)].empty())
        e[static_cast<size_t>(i) + 1] = e[static_cast<size_t>(i)];
    }
    e[0] = path;
  }
  RecentFilesMayHaveChanged(before);
}

void Document::ReadRecentFiles() {
  const std::array<std::string, 5> before = recent_;
  // Making the key and its empty values is housekeeping: a missing value reads
  // as empty all the same, so a store that cannot be written is not tried again
  // here, and the user hears of it once the list itself cannot be kept.
  bool writable = settings_.CreateKey(kRecentFilesKey);
  for (int n = 1; n <= 5; ++n) {
    const std::string name = "File" + std::to_string(n);
    auto value = settings_.ReadString(kRecentFilesKey, name);
    if (!value) {
      if (writable) writable = settings_.WriteString(kRecentFilesKey, name, "");
      value = std::string();
    }
    recent_[static_cast<size_t>(n - 1)] = UsableRecentPath(*value) ? *value : std::string();
  }
  RecentFilesMayHaveChanged(before);
}

bool Document::WriteRecentFiles() {
  bool ok = settings_.CreateKey(kRecentFilesKey);
  for (int n = 1; ok && n <= 5; ++n) {
    const std::string& path = recent_[static_cast<size_t>(n - 1)];
    const std::string name = "File" + std::to_string(n);
    // A value that already holds the path is left alone: a settings file the
    // user keeps read-only is no failure while the list has not changed.
    if (path.empty() || settings_.ReadString(kRecentFilesKey, name) == path) continue;
    ok = settings_.WriteString(kRecentFilesKey, name, path);
  }
  // The list is a convenience: losing it never stops anything, and the user
  // is told once a run, not at every file.
  if (!ok && !recent_files_warned_) {
    recent_files_warned_ = true;
    prompter_.Warning(WithFileReason(kRecentFilesNotSaved, settings_.LastFailure()));
  }
  return ok;
}

void Document::SetDocumentKind(DocumentKind kind) {
  const bool switched = kind != kind_;
  kind_ = kind;
  forms.source_view = false;
  // The drop-list data belongs to one switch to kind 3: every switch drops it,
  // and kind 3 loads it afresh from droplists.dat.
  forms.drop_lists_active = false;
  forms.drop_list_entries.Clear();
  forms.column_items.Clear();

  if (kind == DocumentKind::kTabDelimited) {
    // Every title goes at once: clearing them one by one would move the rest
    // of a wide title row for each.
    const int titled = sheet.StoredCols(0);
    sheet.SetRowCells(0, {});
    if (titled > 1) CellsChanged(CellRect{0, 1, 0, titled - 1});
  } else if (kind == DocumentKind::kPlayback) {
    forms.drop_lists_active = true;
    LoadDropLists(*this);
  }
  // Steps made in another kind (titles of a sheet file, say) are not taken
  // back into this one.
  if (switched && !InReset()) history_.Restart(modified_);
  TellKind();
}

// ---- events ----

void Document::AddObserver(DocumentObserver* observer) {
  if (observer == nullptr) return;
  if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) return;
  observers_.push_back(observer);
  sheet_events_.Attach(observer);
}

void Document::RemoveObserver(DocumentObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
  sheet_events_.Detach(observer);
}

template <typename F>
void Document::Tell(F&& call) {
  // A copy: an observer may detach itself (or attach another) while told.
  const std::vector<DocumentObserver*> observers = observers_;
  for (DocumentObserver* o : observers) call(*o);
}

void Document::SetModified(bool modified) {
  if (modified && !InReset()) history_.NoteOtherChange();
  if (modified_ == modified) return;
  modified_ = modified;
  if (!InReset()) Tell([&](DocumentObserver& o) { o.ModifiedChanged(modified_); });
}

void Document::SetModifiedByTyping() {
  if (modified_) return;
  modified_ = true;
  if (!InReset()) Tell([&](DocumentObserver& o) { o.ModifiedChanged(modified_); });
}

void Document::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  if (!InReset()) Tell([&](DocumentObserver& o) { o.CaptionChanged(caption_); });
}

void Document::RecentFilesMayHaveChanged(const std::array<std::string, 5>& before) {
  if (recent_ == before || InReset()) return;
  Tell([&](DocumentObserver& o) { o.RecentFilesChanged(recent_); });
}

void Document::TellKind() {
  if (InReset()) {
    pending_kind_ = true;
  } else {
    Tell([&](DocumentObserver& o) { o.KindChanged(kind_); });
  }
}

void Document::TellCommandsReset() {
  if (InReset()) {
    pending_commands_ = true;
  } else {
    Tell([](DocumentObserver& o) { o.CommandsReset(); });
  }
}

void Document::TellDelaysReset() {
  if (InReset()) {
    pending_delays_ = true;
  } else {
    Tell([](DocumentObserver& o) { o.DelaysReset(); });
  }
}

void Document::TellOptionsReset() {
  if (InReset()) {
    pending_options_ = true;
  } else {
    Tell([](DocumentObserver& o) { o.OptionsReset(); });
  }
}

void Document::ValuesChanged() {
  if (InReset()) {
    pending_values_ = true;
  } else {
    Tell([](DocumentObserver& o) { o.ValuesChanged(); });
  }
}

void Document::CellsChanged(const CellRect& rect) {
  if (InReset()) return;
  sheet_events_.ReportExtent(sheet);
  sheet_events_.CellsChanged(rect);
}

void Document::BeginReset() {
  if (reset_depth_++ > 0) return;
  reset_start_ = ResetStart{modified_, caption_, recent_};
  pending_kind_ = pending_commands_ = pending_delays_ = pending_options_ = pending_values_ = false;
  sheet_events_.SheetAboutToBeReset();
  sheet_events_.Mute();
  // The sheet is replaced: nothing of it is recorded, and no step survives.
  history_.Suspend();
}

void Document::EndReset() {
  if (--reset_depth_ > 0) return;
  sheet_events_.Unmute();
  sheet_events_.SheetReset(Extent());
  if (pending_kind_) Tell([&](DocumentObserver& o) { o.KindChanged(kind_); });
  if (pending_commands_) Tell([](DocumentObserver& o) { o.CommandsReset(); });
  if (pending_delays_) Tell([](DocumentObserver& o) { o.DelaysReset(); });
  if (pending_options_) Tell([](DocumentObserver& o) { o.OptionsReset(); });
  if (pending_values_) Tell([](DocumentObserver& o) { o.ValuesChanged(); });
  if (caption_ != reset_start_.caption) {
    Tell([&](DocumentObserver& o) { o.CaptionChanged(caption_); });
  }
  if (modified_ != reset_start_.modified) {
    Tell([&](DocumentObserver& o) { o.ModifiedChanged(modified_); });
  }
  if (recent_ != reset_start_.recent) {
    Tell([&](DocumentObserver& o) { o.RecentFilesChanged(recent_); });
  }
  history_.Restart(modified_);
}

}  // namespace typelane
