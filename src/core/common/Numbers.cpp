#include "core/common/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/common/Errors.h"

namespace typelane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  std::string_view s = text;
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : s) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > std::int64_t{std::numeric_limits<std::uint32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (base == 10) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
  }
  // Hex texts may spell the full 32-bit pattern, as colour values do.
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t StrToInt(std::string_view text) {
  if (auto v = TryStrToInt(text)) return *v;
  throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
}

std::optional<double> TryStrToFloat(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return std::nullopt;
  std::string copy(s);
  for (char& c : copy) {
    if (c == ',') c = '.';
  }
  // from_chars accepts no leading '+'.
  std::string_view body = copy;
  if (!body.empty() && body.front() == '+') body.remove_prefix(1);
  if (body.empty() || (body.front() == '-' && copy.front() == '+')) return std::nullopt;
  double value = 0;
  auto [ptr, ec] =
      std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
  if (ec != std::errc() || ptr != body.data() + body.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

double StrToFloat(std::string_view text) {
  if (auto v = TryStrToFloat(text)) return *v;
  throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
}

std::string FormatFloat(double value) {
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

std::int64_t SecondsToMs(double seconds) {
  if (!(seconds > 0)) return 0;
  double ms = seconds * 1000.0;
  constexpr double kMax = 1e12;  // about 31 years: enough for any real pause
  if (ms > kMax) ms = kMax;
  return static_cast<std::int64_t>(ms);
}

int TruncatedProduct(int value, double factor) {
  const double x = static_cast<double>(value);
  const double rounded = x * factor;
  if (!std::isfinite(rounded)) return 0;
  // The rounding error of a product is itself a double, and fma gives it
  // exactly. Only a product that rounded onto a whole number can have come
  // from the other side of it.
  const double error = std::fma(x, factor, -rounded);
  double whole = std::trunc(rounded);
  if (whole == rounded) {
    if (rounded > 0 && error < 0) whole -= 1;
    if (rounded < 0 && error > 0) whole += 1;
  }
  if (whole >= 2147483647.0) return 2147483647;
  if (whole <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(whole);
}

}  // namespace typelane
