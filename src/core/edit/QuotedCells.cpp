#include "core/edit/QuotedCells.h"

#include <array>

namespace typelane {
namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// Past the line break at pos (CR LF counts as one).
size_t SkipLineBreak(std::string_view text, size_t pos) {
  if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') return pos + 2;
  return pos + 1;
}

}  // namespace

bool OffersSpreadsheetFormat(const std::vector<std::string>& formats) {
  // Matched as parts of the names: X11 targets carry parameters
  // (windows_formatname=...), and Qt names Windows' registered formats
  // application/x-qt-windows-mime;value="...".
  static constexpr std::array<std::string_view, 11> kSpreadsheet = {
      "text/csv",
      "text/tab-separated-values",
      "application/vnd.oasis.opendocument.spreadsheet",
      "application/x-openoffice-embed-source-xml",
      "application/x-libreoffice-tsvc",
      "application/x-openoffice-sylk",
      "application/x-gnumeric",
      "value=\"Csv\"",
      "value=\"XML Spreadsheet\"",
      "value=\"Biff8\"",
      "value=\"Biff12\"",
  };
  for (const std::string& format : formats) {
    for (std::string_view name : kSpreadsheet) {
      if (format.find(name) != std::string::npos) return true;
    }
  }
  return false;
}

std::optional<std::string> ReadQuotedCells(std::string_view text, bool from_spreadsheet) {
  // Most pastes hold no quote at all: nothing to read differently.
  if (text.find('"') == std::string_view::npos) return std::nullopt;
  std::string rows;
  rows.reserve(text.size() + text.size() / 16);
  bool needed_quotes = false;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '"') {
      // A quoted cell: up to the quote that is not doubled.
      ++pos;
      bool closed = false;
      while (pos < text.size()) {
        const char c = text[pos];
        if (c == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            rows += '"';
            needed_quotes = true;
            pos += 2;
            continue;
          }
          ++pos;
          closed = true;
          break;
        }
        if (IsLineBreak(c)) {
          rows += ' ';
          pos = SkipLineBreak(text, pos);
          needed_quotes = true;
          continue;
        }
        if (c == '\t') needed_quotes = true;
        rows += c == '\t' ? ' ' : c;
        ++pos;
      }
      // Unclosed, or text after the closing quote: not quoted TSV.
      if (!closed) return std::nullopt;
      if (pos < text.size() && text[pos] != '\t' && !IsLineBreak(text[pos])) return std::nullopt;
    } else {
      // An unquoted cell runs to the next TAB or line break, quotes and all.
      while (pos < text.size() && text[pos] != '\t' && !IsLineBreak(text[pos])) rows += text[pos++];
    }
    if (pos == text.size()) break;
    if (text[pos] == '\t') {
      rows += '\t';
      ++pos;
    } else {
      rows += "\r\n";
      pos = SkipLineBreak(text, pos);
    }
  }
  if (!from_spreadsheet && !needed_quotes) return std::nullopt;
  return rows;
}

}  // namespace typelane
