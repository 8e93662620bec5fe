#include "core/load/SendData.h"

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/load/DelaySettings.h"
#include "core/load/LoadDriver.h"
#include "core/load/LoadObserver.h"
#include "core/load/Platform.h"
#include "core/sheet/Sheet.h"

namespace typelane {
namespace {

constexpr const char* kInfoTitle = "Typelane";
constexpr const char* kErrorTitle = "Typelane Error";
constexpr const char* kNotFoundMessage =
    "The specified Window does not exist.\r"
    "Please select a valid Window name from the Window Name drop down list.";

// Shows the progress window for the length of a load and hides it on every way
// out, an error included.
class ProgressScope {
 public:
  explicit ProgressScope(LoadObserver* observer) : observer_(observer) {
    if (observer_) observer_->ProgressShown();
  }
  ~ProgressScope() {
    if (observer_) observer_->ProgressHidden();
  }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  LoadObserver* observer_;
};

}  // namespace

std::string FormatElapsed(std::int64_t elapsed_ms) {
  if (elapsed_ms < 0) elapsed_ms = 0;
  const std::int64_t total_seconds = elapsed_ms / 1000;
  const std::int64_t hours = total_seconds / 3600;
  const std::int64_t minutes = total_seconds / 60 % 60;
  const std::int64_t seconds = total_seconds % 60;
  return std::to_string(hours) + ":" + std::to_string(minutes) + ":" + std::to_string(seconds);
}

std::string LoadSummary(bool cancelled, int rows, std::int64_t elapsed_ms) {
  std::string text =
      cancelled ? "Data loading terminated at user request:" : "Typelane completed successfully:";
  text += "\r\rRows:\t" + std::to_string(rows);
  text += "\rTime:\t" + FormatElapsed(elapsed_ms);
  return text;
}

SendResult SendData(Platform& platform, const Sheet& sheet, const CommandTable& commands,
                    const DelaySettings& delays, const SendRequest& request,
                    LoadObserver* observer) {
  const CellRect range =
      request.all_cells ? WholeExtent(sheet) : ClipToExtent(sheet, request.selection);
  LoadObserver* progress = request.progress_bar ? observer : nullptr;
  ProgressScope scope(progress);

  SendResult result;
  // A monotonic clock, so a load that runs past midnight still reports right.
  const std::int64_t started = platform.NowMs();
  const WindowHandle previous = platform.GetForegroundWindow();
  result.found = ActivateWindowByTitle(platform, request.window_title);
  platform.Sleep(SecondsToMs(delays.form_delay));

  if (!result.found) {
    result.title = kErrorTitle;
    result.message = kNotFoundMessage;
    return result;
  }

  LoadDriver driver(LoadContext{platform, sheet, commands, delays, request.group, request.auto_tab,
                                request.hour_glass, progress});
  bool failed = false;
  try {
    const LoadOutcome outcome = driver.LoadRange(range.top, range.bottom, range.left, range.right);
    result.cancelled = outcome.cancelled;
    result.completed = !outcome.cancelled;
  } catch (const ConversionError& e) {
    failed = true;
    result.error = e.what();
  } catch (const PlatformError& e) {
    failed = true;
    result.error = e.what();
  }
  result.rows = driver.RowsLoaded();
  // The user's window comes back after an error too: the target keeps no
  // claim on the keyboard once nothing more is sent to it.
  platform.SetForegroundWindow(previous);
  result.elapsed_ms = platform.NowMs() - started;

  if (failed) {
    result.title = kErrorTitle;
    result.message = result.error;
  } else {
    result.title = kInfoTitle;
    result.message = LoadSummary(result.cancelled, result.rows, result.elapsed_ms);
  }
  return result;
}

}  // namespace typelane
