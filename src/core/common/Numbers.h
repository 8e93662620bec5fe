#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace typelane {

// Whole-number reading as the program has always done it: optional blanks in
// front, an optional sign, decimal digits (or "$" / "0x" followed by hex digits),
// nothing after. Throws ConversionError with the user-facing message.
std::int32_t StrToInt(std::string_view text);
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// Decimal number with '.' or ',' as the decimal separator and an optional
// exponent; blanks around it are allowed. Throws ConversionError.
double StrToFloat(std::string_view text);
std::optional<double> TryStrToFloat(std::string_view text);

// Shortest general form with up to 15 significant digits: 0, 0.2, 0.25, 1.5.
std::string FormatFloat(double value);

// value x factor, truncated toward zero from the exact product, never from a
// rounded one: 50 x 1.4 (1.4 as a double lies just below 1.4) gives 69, where a
// product rounded to double precision would give 70. This is what the grid's
// width rules always computed in extended precision.
int TruncatedProduct(int value, double factor);

// Seconds to whole milliseconds, truncated toward zero; negative and
// not-a-number waits become 0, huge ones are capped.
std::int64_t SecondsToMs(double seconds);

}  // namespace typelane
