#pragma once

#include <QString>
#include <optional>

namespace typelane::ui {

// Seconds as the user writes them: the general form with up to 15 significant
// digits (0.2, 1.5, 0) and the decimal separator of the user's locale.
QString SecondsText(double seconds);

// A number of seconds typed by the user, blanks around it allowed. Only the
// locale's own decimal separator counts ("1,5" is not a number where the
// separator is a point); nothing when the text is not a number.
std::optional<double> ReadSeconds(const QString& text);

// The message a number that cannot be read gives, as the program words it.
QString NotAFloatMessage(const QString& text);

}  // namespace typelane::ui
