#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace typelane {

class FormsContent;
class Sheet;
class TextMeasure;
class TextOut;

// A recording (or a sheet to be written as one) that lacks a word, a part or a
// number that the conversion reads. The open and save flows catch it with every
// other failure and show their general message.
class PlaybackFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Turns a recorded Oracle Forms playback file (lines: the whole file, one entry
// per line, line ends removed) into the document:
//  - sheet: one column per data event of a record (titles in row 0), one row per
//    recorded record; column widths from "##WIDTH=" lines or fitted to the titles;
//    cell comments from "##COMMENT=" lines;
//  - document.description ("##DESC="), options.user_name / password /
//    responsibility (the sign-on values);
//  - document.forms: the five line lists, last_field_line, first_field,
//    column_items, and new drop_list_entries, which are written to droplists.dat.
// The line lists are emptied first. When the document is not of kind 3 yet, it
// is switched to it first, so droplists.dat is read before it is rewritten.
//
// Messages (through the document's prompter): the two warnings "Failed to
// identify the closing commands." and "This load may fail for multiple
// records!..." leave the conversion complete. A recording without a data event
// outside the sign-on form or without an exit marker gets "This file cannot be
// processed by Typelane...", the document is reset with NewSheet, and the result
// is false. Throws PlaybackFormatError (or ConversionError for a bad number,
// PlatformError when droplists.dat cannot be written) when the recording cannot
// be converted; the caller reports it as a failed open and resets the sheet.
bool ConvertPlaybackFile(FormsContent& document, std::span<const std::string_view> lines);

// Writes the converted document back as a playback file that enters every sheet
// row: the sign-on part (with the options' user name, password and
// responsibility, the edit stamp, "##BLOCKS" and "##DESC=" lines), the first
// record's template once per row with the row's cells in its data events and
// record numbers advanced (blocks in FixedBlocks keep theirs), then the closing
// lines and the exit lines.
//
// Side effects that stay: list-of-values cells with too few values are padded
// and rewritten in quoted form, and the exit lines carry the "##" prefix exactly
// while options.exit_apps is off. forms.record_template is never changed, also
// when writing fails. Shows "One or more list of values did not contain enough
// values..." after the file is built when values were padded. Throws
// PlaybackFormatError or ConversionError when a kept line lacks a word or a
// record number is not a whole number; out then holds a partial file that must
// not be stored.
void WritePlaybackFile(FormsContent& document, TextOut& out);

// The source view (kind 3): the playback file the document would be saved as,
// shown instead of the grid. Runs WritePlaybackFile, with its side effects and
// warning, and marks forms.source_view once the text is built; a failure leaves
// the grid in view and propagates.
std::string ShowSource(FormsContent& document);
// Back to the grid.
void HideSource(FormsContent& document);

// An item name as a column title: "_" to blanks, lower case, every "mir"
// removed, blanks trimmed, first letter upper case (VENDOR_NAME_MIR gives
// "Vendor name").
std::string MakeColumnTitle(std::string_view item);

// Column width that fits a title: 1.4 times its text width, truncated.
void FitColumnToTitle(Sheet& sheet, const TextMeasure& measure, int column);
// Fits every column 1..LastCol that has a title; untitled columns keep theirs.
void FitColumnsToTitles(Sheet& sheet, const TextMeasure& measure);

}  // namespace typelane
