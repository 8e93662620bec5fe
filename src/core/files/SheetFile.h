#pragma once

#include <span>
#include <string>
#include <string_view>

namespace typelane {

class Document;
class TextOut;

// The program's own .tyl file: seven sections, each between a "begin..." and an
// "end..." line, in a fixed order (delays, header, other, data, options, format,
// commands).

// Appends the lines of a complete sheet file built from the document.
void WriteSheetFile(const Document& document, TextOut& out);

// Applies the lines of a sheet file to a freshly reset document. A marker that is
// not where it must stand shows "Error reading Typelane file. Is it the correct
// format?" once and stops there; what was read before stays. A number that does
// not convert throws ConversionError, which fails the whole open.
void ReadSheetFile(Document& document, std::span<const std::string_view> lines);

// A fractional delay as the sheet file keeps it: the shortest plain decimal
// form (0, 0.2, 0.25, 1.5), never with an exponent, so the reader can take it
// back.
std::string FormatDelaySeconds(double seconds);

// A delay value as the reader takes it: every character that is not a digit
// stands for the decimal separator, so "0,5" and "0.5" are both a half. A
// leading minus sign is kept. Throws ConversionError.
double ParseDelayValue(std::string_view value);

}  // namespace typelane
