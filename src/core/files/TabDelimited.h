#pragma once

#include <span>
#include <string_view>

namespace typelane {

class LineSource;
class Sheet;
class TextOut;

// Plain tab-delimited text: line n is sheet row n, field k column k. Only the
// cell texts travel; titles, comments and everything else stay behind.

// Fills the sheet from row 1. A field that begins with a double quote runs to
// the next quote followed by a TAB (so it may hold TABs). A line ending in a
// TAB gives no empty field after it. The last used row becomes the number of
// lines; the last used column is raised to the widest line.
void ReadTabDelimited(Sheet& sheet, std::span<const std::string_view> lines);
// The same, line by line: a file read through a LineReader is never in memory
// whole.
void ReadTabDelimited(Sheet& sheet, LineSource& lines);

// One line per used row: columns 1 to LastCol joined by TAB, nothing quoted.
void WriteTabDelimited(const Sheet& sheet, TextOut& out);

}  // namespace typelane
