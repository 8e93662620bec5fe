#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace typelane {

inline constexpr std::string_view kTitleError = "Typelane Error";
inline constexpr std::string_view kTitleWarning = "Typelane Warning";
inline constexpr std::string_view kTitleInfo = "Typelane";

// kOkOpen: a message that names a file the user may want to open (OK, Open).
enum class Buttons { kOk, kOkCancel, kYesNo, kYesNoCancel, kOkOpen };
enum class Answer { kOk, kYes, kNo, kCancel, kOpen };

// The answers of a button set, in the order the buttons stand.
std::span<const Answer> ButtonAnswers(Buttons buttons);
// The button Enter presses: the first one (OK or Yes).
Answer DefaultAnswer(Buttons buttons);
// The button Esc (or closing the box) presses: OK where there is one and no
// Cancel, else Cancel. A Yes/No
// question has none: it waits for one of its two answers, so Esc can never
// count as "No" and throw away unsaved changes.
std::optional<Answer> EscapeAnswer(Buttons buttons);
// Whether an answer is one of the set's buttons.
bool HasAnswer(Buttons buttons, Answer answer);

// A message's lines: every prompter splits at CR LF, CR or LF (the texts join
// their lines with CR, some with CR LF). A text ending in a line break does not
// get an empty last line.
std::vector<std::string_view> MessageLines(std::string_view text);

struct FileChoice {
  std::string path;
  int filter_index = 1;  // 1-based, as the file dialogs number their file types
};

// Everything the core must ask or tell the user. The Qt user interface shows real
// dialogs; the command-line tool prints; tests script the answers.
class Prompter {
 public:
  virtual ~Prompter() = default;

  // A modal message box; text lines are separated by CR (or CR LF), see
  // MessageLines. Buttons: DefaultAnswer is the default button, EscapeAnswer
  // the one Esc presses. Returns one of the set's answers.
  virtual Answer Message(std::string_view title, std::string_view text, Buttons buttons) = 0;

  // File choosers. filter is "Description|pattern|Description|pattern...".
  // Return nothing when the user cancels.
  virtual std::optional<FileChoice> ChooseOpenFile(std::string_view filter, int filter_index,
                                                   std::string_view file_name) = 0;
  virtual std::optional<FileChoice> ChooseSaveFile(std::string_view filter, int filter_index,
                                                   std::string_view file_name) = 0;

  // The hourglass cursor around long work. Calls nest.
  virtual void BeginBusy() {}
  virtual void EndBusy() {}

  void Error(std::string_view text) { Message(kTitleError, text, Buttons::kOk); }
  void Warning(std::string_view text) { Message(kTitleWarning, text, Buttons::kOk); }
  void Info(std::string_view text) { Message(kTitleInfo, text, Buttons::kOk); }
};

// Shows the hourglass for the lifetime of the object, also when an error leaves.
class BusyCursor {
 public:
  explicit BusyCursor(Prompter& prompter) : prompter_(prompter) { prompter_.BeginBusy(); }
  ~BusyCursor() { prompter_.EndBusy(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  Prompter& prompter_;
};

}  // namespace typelane
