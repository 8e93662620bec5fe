#pragma once

#include <string>
#include <string_view>

namespace typelane {

class DelaySettings;
class Platform;

// The argument of "*SL" and "*CW": with a "(" as the fourth character, the
// characters from the fifth up to the one before the last (the closing ")");
// otherwise everything from the fourth character on.
std::string BuiltInArgument(std::string_view text);

// Plays a built-in command if text is one:
//   "*SL" pause: a whole number of seconds, else DelayByName(argument) seconds;
//   "*CW" change window: activates the window by title, then waits FormDelay
//         (a window that is not there is not an error);
//   "*ML(x,y)" / "*MR(x,y)": moves the pointer to x, y and clicks the left or
//         right button, held for KeyHold ms.
// Returns false (and does nothing) when text is not a built-in command.
// Throws ConversionError for a click whose coordinates are not whole numbers
// and when a pause names a command whose delay is not a number.
bool PlayBuiltInCommand(Platform& platform, const DelaySettings& delays, std::string_view text);

}  // namespace typelane
