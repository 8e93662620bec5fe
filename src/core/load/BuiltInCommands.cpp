#include "core/load/BuiltInCommands.h"

#include "core/common/Errors.h"
#include "core/common/Numbers.h"
#include "core/common/Text.h"
#include "core/load/DelaySettings.h"
#include "core/load/Platform.h"

namespace typelane {
namespace {

void Pause(Platform& platform, const DelaySettings& delays, std::string_view argument) {
  // A reading of -1 has always meant "not a number" here, so "-1" is looked up
  // as a name like any other text.
  const auto whole = TryStrToInt(argument);
  double seconds = 0;
  if (whole && *whole != -1) {
    seconds = *whole;
  } else {
    seconds = delays.DelayByName(argument);
  }
  // A pause is a wait like any other: Esc ends it at once.
  platform.SleepUnlessEscape(SecondsToMs(seconds));
}

void ChangeWindow(Platform& platform, const DelaySettings& delays, std::string_view title) {
  // The cells after a change of window are meant for that window: typed into
  // the one still in front they would land in the wrong program.
  if (!ActivateWindowByTitle(platform, title)) {
    throw PlatformError("The window \"" + std::string(title) + "\" does not exist.");
  }
  platform.SleepUnlessEscape(SecondsToMs(delays.form_delay));
}

// The text between the first occurrence of open and the first occurrence of
// close; empty when either is missing or they come in the wrong order, which
// then fails as a number like any other bad coordinate.
std::string_view Between(std::string_view text, char open, char close) {
  const size_t from = text.find(open);
  const size_t to = text.find(close);
  if (from == std::string_view::npos || to == std::string_view::npos || to <= from) return {};
  return text.substr(from + 1, to - from - 1);
}

void Click(Platform& platform, const DelaySettings& delays, std::string_view text,
           MouseButton button) {
  const int x = StrToInt(Between(text, '(', ','));
  const int y = StrToInt(Between(text, ',', ')'));
  platform.SetCursorPos(x, y);
  platform.MouseButtonEvent(button, false, x, y);
  platform.Sleep(delays.key_hold < 0 ? 0 : delays.key_hold);
  platform.MouseButtonEvent(button, true, x, y);
}

}  // namespace

std::string BuiltInArgument(std::string_view text) {
  if (text.size() >= 4 && text[3] == '(') {
    // From the fifth character to the one before the last.
    if (text.size() <= 5) return {};
    return std::string(text.substr(4, text.size() - 5));
  }
  if (text.size() <= 3) return {};
  return std::string(text.substr(3));
}

bool PlayBuiltInCommand(Platform& platform, const DelaySettings& delays, std::string_view text) {
  if (text.empty() || text[0] != '*') return false;
  if (StartsWithNoCase(text, "*SL")) {
    Pause(platform, delays, BuiltInArgument(text));
  } else if (StartsWithNoCase(text, "*CW")) {
    ChangeWindow(platform, delays, BuiltInArgument(text));
  } else if (StartsWithNoCase(text, "*ML(")) {
    Click(platform, delays, text, MouseButton::kLeft);
  } else if (StartsWithNoCase(text, "*MR(")) {
    Click(platform, delays, text, MouseButton::kRight);
  } else {
    return false;
  }
  return true;
}

}  // namespace typelane
