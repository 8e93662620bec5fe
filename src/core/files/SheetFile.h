#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace typelane {

class SheetContent;
class LineSource;
class TextOut;

// The program's own .tyl file: seven sections, each between a "begin..." and an
// "end..." line, in a fixed order (delays, header, other, data, options, format,
// commands).

// Appends the lines of a complete sheet file built from the document.
void WriteSheetFile(const SheetContent& document, TextOut& out);

// Applies the lines of a sheet file to a freshly reset document. A marker that is
// not where it must stand shows "Error reading Typelane file. Is it the correct
// format?" once and stops there; what was read before stays, and the result is
// false (the file was read only in part). A number that does not convert
// throws ConversionError, which fails the whole open.
bool ReadSheetFile(SheetContent& document, std::span<const std::string_view> lines);
// The same, line by line (the reader walks the file once from the front).
bool ReadSheetFile(SheetContent& document, LineSource& lines);

// The file keeps cells unchanged between marker lines, so a cell, a lone title
// or a command line that reads exactly like the marker ending its section would
// cut the section short when the file is opened again, and silently lose
// everything after it. Gives the warning that names the first such text, or
// nothing when the document can be kept as a sheet file.
std::optional<std::string> SheetFileCannotKeep(const SheetContent& document);

// A fractional delay as the sheet file keeps it: the shortest plain decimal
// form (0, 0.2, 0.25, 1.5), never with an exponent, so the reader can take it
// back.
std::string FormatDelaySeconds(double seconds);

// A delay value as the reader takes it: every character that is not a digit
// stands for the decimal separator, so "0,5" and "0.5" are both a half. A
// leading minus sign is kept. Throws ConversionError.
double ParseDelayValue(std::string_view value);

}  // namespace typelane
