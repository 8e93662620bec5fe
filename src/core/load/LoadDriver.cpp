#include "core/load/LoadDriver.h"

#include <cstdint>
#include <sstream>
#include <utility>

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/load/BuiltInCommands.h"
#include "core/load/CommandTable.h"
#include "core/load/DelaySettings.h"
#include "core/load/FieldReader.h"
#include "core/load/HeldKeys.h"
#include "core/load/Keystrokes.h"
#include "core/load/LoadJournal.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/sheet/CellKind.h"
#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

// The fixed pause before every cell, blank ones included.
constexpr std::int64_t kCellPauseMs = 50;
// How often a load held by another window's focus looks again.
constexpr std::int64_t kFocusPollMs = 50;
// A paste is waited for in slices this long, so Esc, a stop request or the
// target going away are seen between them.
constexpr std::int64_t kPasteSliceMs = 50;
// A paste not taken after this long is worth telling the user about.
constexpr std::int64_t kPasteNoticeMs = 2000;
// A field is read again this often until it shows the pasted value: one read
// costs a fraction of a millisecond, and most targets show a paste within a
// few.
constexpr std::int64_t kVerifySliceMs = 10;
// A field's text in a message: its beginning, so a large text view does not
// fill the summary.
constexpr size_t kShownFieldBytes = 200;

// At most limit bytes of UTF-8 text, never ending inside a character.
std::string Shortened(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text + "\u2026";
}

// Seconds as the user wrote them: 30, 2.5.
std::string FormatSeconds(double seconds) {
  std::ostringstream out;
  out << seconds;
  return out.str();
}

// done of total as a whole percentage, truncated. Integer arithmetic, so 57 of
// 100 is 57 and not the 56 a floating-point 0.57 * 100 would truncate to.
int Percent(int done, int total) {
  if (total <= 0) return 0;
  return static_cast<int>(static_cast<std::int64_t>(done) * 100 / total);
}

}  // namespace

LoadDriver::LoadDriver(LoadContext context)
    : context_(std::move(context)),
      platform_(context_.platform),
      tab_delay_ms_(SecondsToMs(context_.delays.DelayByName("TAB"))),
      data_delay_ms_(SecondsToMs(context_.delays.data_delay)),
      cell_delay_ms_(SecondsToMs(context_.delays.cell_delay)) {}

LoadOutcome LoadDriver::LoadRange(int first_row, int last_row, int first_col, int last_col,
                                  int start_col) {
  GuardedPlatform& platform = platform_;
  rows_loaded_ = 0;
  current_row_ = 0;
  first_col_ = first_col;
  resume_row_ = resume_col_ = 0;
  LoadOutcome outcome;
  field_asked_ = false;
  try {
    platform.BeginEscapeWatch();
    // Said once at the start, before anything is typed.
    if (context_.verify_paste) CanVerify();
    const int row_count = last_row - first_row + 1;
    const int col_count = last_col - first_col + 1;
    // A row counts once the load is past it, whatever its columns: a range
    // without columns loads its rows without sending anything.
    for (int row = first_row; row <= last_row && !outcome.stopped && !outcome.cancelled; ++row) {
      current_row_ = row;
      row_start_col_ = row == first_row && start_col > first_col ? start_col : first_col;
      done_col_ = 0;
      cells_sent_ = 0;
      row_check_ = RowCheck::kNothing;
      if (context_.journal) context_.journal->RowStarted(row, platform.NowMs());
      for (int col = row_start_col_; col <= last_col; ++col) {
        current_col_ = col;
        failed_in_cell_ = true;
        const Hold hold = BeforeCell();
        if (hold != Hold::kGoOn) {
          (hold == Hold::kEscape ? outcome.cancelled : outcome.stopped) = true;
          break;
        }
        platform_.ClearDropped();
        bool sent = false;
        try {
          sent = PlayCell(context_.sheet.Cell(row, col));
        } catch (Hold interrupted) {
          // The target never took the cell's paste, or Esc came while the
          // paste was read back: the cell did not go out whole.
          (interrupted == Hold::kEscape ? outcome.cancelled : outcome.stopped) = true;
          break;
        }
        if (platform_.DroppedInput()) {
          // A stop came while the cell went out: the rest of it was never
          // sent, so neither it nor its row counts as played.
          outcome.stopped = true;
          break;
        }
        failed_in_cell_ = false;
        done_col_ = col;
        if (sent) ++cells_sent_;
        if (context_.observer) {
          context_.observer->ColumnProgress(Percent(col - first_col + 1, col_count));
        }
      }
      if (outcome.stopped || outcome.cancelled) {
        failed_in_cell_ = false;
        NoteResumePoint();
        EndRow(row, (outcome.cancelled ? "stopped by Esc " : "interrupted ") + Place());
        break;
      }
      ++rows_loaded_;
      EndRow(row, "loaded");
      if (context_.observer) {
        context_.observer->RowProgress(Percent(row - first_row + 1, row_count), rows_loaded_);
      }
    }
  } catch (const LoadError& e) {
    platform_.ReleaseHeldInput();
    NoteResumePoint();
    EndRow(current_row_, e.what());
    throw;
  } catch (const std::exception& e) {
    platform_.ReleaseHeldInput();
    NoteResumePoint();
    EndRow(current_row_, std::string(e.what()) + " (the load stopped " + Where() + ")");
    throw;
  } catch (...) {
    platform_.ReleaseHeldInput();
    NoteResumePoint();
    EndRow(current_row_, "The load failed with an unknown error.");
    throw;
  }
  platform_.ReleaseHeldInput();
  outcome.rows_loaded = rows_loaded_;
  outcome.resume_row = resume_row_;
  outcome.resume_col = resume_col_;
  return outcome;
}

std::string LoadDriver::Place() const {
  const std::string row = std::to_string(current_row_);
  if (done_col_ != 0) return "in row " + row + " after cell " + std::to_string(done_col_);
  if (row_start_col_ > first_col_) {
    return "in row " + row + " before cell " + std::to_string(row_start_col_);
  }
  return "before row " + row;
}

std::string LoadDriver::Where() const {
  if (current_row_ == 0) return {};
  if (failed_in_cell_) {
    return "at row " + std::to_string(current_row_) + ", cell " + std::to_string(current_col_);
  }
  return Place();
}

void LoadDriver::NoteResumePoint() {
  resume_row_ = resume_col_ = 0;
  if (current_row_ == 0) return;
  if (done_col_ != 0) {
    resume_row_ = current_row_;
    resume_col_ = done_col_ + 1;
  } else if (row_start_col_ > first_col_) {
    // A resumed row that stopped again before its first cell went.
    resume_row_ = current_row_;
    resume_col_ = row_start_col_;
  }
}

void LoadDriver::EndRow(int row, std::string_view outcome) {
  if (row == 0) return;
  if (context_.journal && context_.verify_paste) {
    // A row with nothing read back (no paste, or fields that cannot be read)
    // was not verified.
    context_.journal->RowVerified(row, row_check_ == RowCheck::kVerified ? "yes"
                                       : row_check_ == RowCheck::kWrong  ? "no"
                                                                         : "not available");
  }
  if (context_.journal) context_.journal->RowEnded(row, cells_sent_, outcome);
}

WindowHandle LoadDriver::Target() const {
  const WindowHandle target = platform_.ActiveTarget();
  return target != 0 ? target : context_.target;
}

std::string LoadDriver::TargetTitle() const {
  return platform_.ActiveTarget() != 0 ? platform_.ActiveTargetTitle() : context_.target_title;
}

void LoadDriver::Notice(const std::string& text) {
  if (context_.notices) context_.notices->WaitNotice(text);
}

void LoadDriver::CheckTarget() {
  const WindowHandle target = Target();
  if (target == 0 || platform_.WindowExists(target)) return;
  // Whatever comes to the front instead must not get the rest of the sheet.
  throw LoadError("The window \"" + TargetTitle() + "\" no longer exists: the load stopped " +
                  Place() + ".");
}

LoadDriver::Hold LoadDriver::BeforeCell() {
  GuardedPlatform& platform = platform_;
  auto halted = [&] {
    if (platform.StopRequested()) return Hold::kStop;
    if (platform.EscapePressed()) return Hold::kEscape;
    return Hold::kGoOn;
  };
  if (const Hold hold = halted(); hold != Hold::kGoOn) return hold;
  // Between two cells the load holds no key: whatever modifier is down now is
  // the user's, and would join the next cell's keys.
  const KeyWait wait = WaitForReleasedModifiers(platform, context_.notices);
  if (wait != KeyWait::kReleased) return wait == KeyWait::kEscape ? Hold::kEscape : Hold::kStop;
  platform.SleepUnlessEscape(kCellPauseMs);
  if (const Hold hold = halted(); hold != Hold::kGoOn) return hold;
  if (context_.hour_glass) {
    if (const Hold hold = WaitWhileBusy(); hold != Hold::kGoOn) return hold;
  }
  // Right before the cell goes out: the window may have closed meanwhile,
  // and whatever came to the front must not get the cell.
  CheckTarget();
  return WaitForFocus();
}

// Tells the user once that the load holds, and that it holds no more when the
// wait ends, whichever way it ends.
class LoadDriver::NoticeScope {
 public:
  explicit NoticeScope(LoadDriver& driver) : driver_(driver) {}
  ~NoticeScope() {
    if (told_) driver_.Notice(std::string());
  }
  void Tell(const std::string& text) {
    if (told_) return;
    told_ = true;
    driver_.Notice(text);
  }

 private:
  LoadDriver& driver_;
  bool told_ = false;
};

LoadDriver::Hold LoadDriver::WaitWhileBusy() {
  GuardedPlatform& platform = platform_;
  const std::int64_t interval = context_.delays.hour_glass < 0 ? 0 : context_.delays.hour_glass;
  NoticeScope notice(*this);
  // A target that never stops being busy would otherwise hold the load for
  // good: the user can still leave with Esc.
  while (platform.IsTargetBusy(Target(), interval)) {
    if (platform.StopRequested()) return Hold::kStop;
    if (platform.EscapePressed()) return Hold::kEscape;
    CheckTarget();
    notice.Tell("Waiting while \"" + TargetTitle() + "\" is busy");
    platform.SleepUnlessEscape(interval);
    if (platform.StopRequested()) return Hold::kStop;
    if (platform.EscapePressed()) return Hold::kEscape;
  }
  return Hold::kGoOn;
}

LoadDriver::Hold LoadDriver::WaitForFocus() {
  GuardedPlatform& platform = platform_;
  const WindowHandle target = Target();
  if (target == 0) return Hold::kGoOn;
  NoticeScope notice(*this);
  // A Continue left from an earlier wait does not count for this one.
  platform.TakeRefocusRequest();
  // Another program has the keyboard: whatever the load sends now would go
  // there. Nothing goes out until the target is in front again, by the user's
  // hand or by Continue in the progress window.
  while (!platform.FocusIsWith(Target())) {
    if (platform.StopRequested()) return Hold::kStop;
    if (platform.EscapePressed()) return Hold::kEscape;
    CheckTarget();
    if (platform.TakeRefocusRequest()) platform.ActivateWindow(Target());
    // Where Esc cannot be seen (Wayland), the progress window's Stop ends the load.
    notice.Tell("Waiting for \"" + TargetTitle() +
                "\" to come back to the front (another window has the focus)" +
                (platform.CanWatchEscape() ? " \u2014 Esc stops" : ""));
    platform.SleepUnlessEscape(kFocusPollMs);
    if (platform.StopRequested()) return Hold::kStop;
    if (platform.EscapePressed()) return Hold::kEscape;
  }
  return Hold::kGoOn;
}

bool LoadDriver::PlayCell(std::string_view cell_text) {
  GuardedPlatform& platform = platform_;
  const DelaySettings& delays = context_.delays;
  std::string_view text = cell_text;
  std::string definition;
  double extra_delay = 0;
  if (context_.commands.IsCommand(text)) {
    // The extra delay belongs to the name in the cell, taken before the name is
    // replaced by its definition; the definition is not translated again.
    extra_delay = delays.DelayByName(text);
    definition = context_.commands.TranslateCommand(text, context_.group);
    text = definition;
  }
  if (text.empty()) return false;

  if (IsKeystrokeText(text)) {
    TypeKeystrokes(platform, delays, text.substr(1));
  } else if (!PlayBuiltInCommand(platform, delays, text)) {
    PasteData(text);
  }
  platform.SleepUnlessEscape(extra_delay == 0 ? cell_delay_ms_
                                              : SecondsToMs(delays.cell_delay + extra_delay));
  return true;
}

void LoadDriver::PasteData(std::string_view text) {
  GuardedPlatform& platform = platform_;
  const DelaySettings& delays = context_.delays;
  const bool no_tab_marker = text[0] == '&';
  std::string_view paste = text;
  // "\\" escapes a data text that begins with a backslash; "&" marks a data
  // text that gets no Tab, and is part of the data when Auto Tab is off.
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    paste.remove_prefix(1);
  } else if (no_tab_marker && context_.auto_tab) {
    paste.remove_prefix(1);
  }
  platform.SetClipboardText(paste);
  TypeKeystrokes(platform, delays, "^V");
  WaitForPasteTaken();
  platform.SleepUnlessEscape(data_delay_ms_);
  // Before the Tab: the field that took the paste still has the focus.
  if (context_.verify_paste && CanVerify()) VerifyPaste(paste);
  if (context_.auto_tab && !no_tab_marker) {
    TypeKeystrokes(platform, delays, "{TAB}");
    platform.SleepUnlessEscape(tab_delay_ms_);
  }
}

void LoadDriver::WaitForPasteTaken() {
  GuardedPlatform& platform = platform_;
  const std::int64_t started = platform.NowMs();
  // The next text must never replace this one before the target has read it,
  // nor a Tab overtake the paste: the load waits for as long as it takes,
  // within the paste wait, and Esc, a stop request or the target going away
  // end the wait at once.
  if (platform.WaitForPaste(kPasteSliceMs)) return;  // taken at once, as mostly
  const std::int64_t limit_ms = SecondsToMs(context_.delays.paste_wait);
  NoticeScope notice(*this);
  do {
    if (platform.StopRequested()) throw Hold::kStop;
    if (platform.EscapePressed()) throw Hold::kEscape;
    CheckTarget();
    const std::int64_t waited = platform.NowMs() - started;
    if (limit_ms > 0 && waited >= limit_ms) {
      throw LoadError("\"" + TargetTitle() + "\" did not take the paste of row " +
                      std::to_string(current_row_) + ", cell " + std::to_string(current_col_) +
                      " within " + FormatSeconds(context_.delays.paste_wait) +
                      " seconds: the load stopped.");
    }
    if (waited >= kPasteNoticeMs) {
      notice.Tell("Waiting for \"" + TargetTitle() + "\" to take the paste (row " +
                  std::to_string(current_row_) + ", cell " + std::to_string(current_col_) +
                  ") \u2014 Esc stops");
    }
  } while (!platform.WaitForPaste(kPasteSliceMs));
}

bool LoadDriver::CanVerify() {
  const WindowHandle window = Target();
  if (field_asked_ && window == field_window_) return fields_readable_;
  // Asked once per target: at the start, and again after a "*CW" moved the
  // load to another window.
  field_asked_ = true;
  field_window_ = window;
  FieldTarget target{window, TargetTitle()};
  // The reader knows windows by their whole title, not by the beginning of
  // it the user may have typed.
  for (const WindowInfo& info : platform_.ListWindows()) {
    if (window != 0 && info.handle == window) {
      target.title = SeenTitle(info.title);
      break;
    }
  }
  fields_readable_ = context_.fields != nullptr && context_.fields->CanRead(target);
  if (!fields_readable_) {
    const std::string text =
        "Verification is not available for \"" + TargetTitle() + "\": loading without it";
    if (context_.notices) context_.notices->LoadNotice(text);
    if (context_.journal) context_.journal->LoadNote(platform_.NowMs(), text);
  }
  return fields_readable_;
}

void LoadDriver::VerifyPaste(std::string_view value) {
  GuardedPlatform& platform = platform_;
  FieldTarget target{Target(), TargetTitle()};
  const std::int64_t started = platform.NowMs();
  const std::int64_t limit_ms = SecondsToMs(context_.delays.verify_wait);
  // What the field was read with last, and the text it has settled at since
  // it last changed: read the same twice in a row. A read that caught it
  // half-way does not make the text the user is shown, nor does a text it
  // held before the paste reached it (read twice while the target was still
  // taking the paste); a read that found nothing (the target did not answer
  // in time) replaces neither.
  std::optional<FieldText> last;
  std::optional<std::string> settled;
  // The target shows a paste in its own time: the field is read until it
  // holds the value or the verify wait is over. Esc and a stop request end
  // the wait at once; the cell then counts as not sent.
  while (true) {
    if (std::optional<FieldText> read = context_.fields->ReadFocusedField(target)) {
      if (FieldHolds(*read, value)) {
        if (row_check_ == RowCheck::kNothing) row_check_ = RowCheck::kVerified;
        return;
      }
      if (last && last->text == read->text) {
        settled = read->text;
      } else if (last) {
        settled.reset();  // changed since: what it settled at before is gone
      }
      last = std::move(read);
    }
    if (platform.NowMs() - started >= limit_ms) break;
    platform.SleepUnlessEscape(kVerifySliceMs);
    if (platform.StopRequested()) throw Hold::kStop;
    if (platform.EscapePressed()) throw Hold::kEscape;
  }
  if (!last) {
    // No text field has the focus (a button, a list, a widget the target
    // does not expose): the paste cannot be judged, so it is not held
    // against the target, but the row does not count as verified.
    if (row_check_ != RowCheck::kWrong) row_check_ = RowCheck::kUnread;
    return;
  }
  row_check_ = RowCheck::kWrong;
  throw LoadError("Row " + std::to_string(current_row_) + ", cell " + std::to_string(current_col_) +
                  ": sent \"" + std::string(value) + "\", the field holds \"" +
                  Shortened(settled.value_or(last->text), kShownFieldBytes) + "\"");
}

}  // namespace typelane
