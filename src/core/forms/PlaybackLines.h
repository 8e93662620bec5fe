#pragma once

// The words and lines of a playback file, shared by its reader
// (PlaybackReader.cpp) and its writer (PlaybackWriter.cpp). Used by those two
// only.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Numbers.h"
#include "core/forms/FormsState.h"
#include "core/forms/Playback.h"
#include "core/sheet/TextHelpers.h"

namespace typelane::playback {

using Words = std::vector<std::string>;

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

inline bool IsComment(std::string_view line) { return StartsWith(line, "# "); }

inline bool IsExitMarker(std::string_view line) {
  return Contains(line, "EXIT_ORACLE_APPLICATIONS") || Contains(line, "MENU MAGIC MAGIC QUIT");
}

// Word n (from 1) of a split line. A recording that lacks it cannot be
// converted or written: the whole operation stops.
inline const std::string& Word(const Words& words, size_t n, std::string_view line) {
  if (n == 0 || n > words.size()) {
    throw PlaybackFormatError("word " + std::to_string(n) +
                              " missing in the playback line: " + std::string(line));
  }
  return words[n - 1];
}

inline std::string& Word(Words& words, size_t n, std::string_view line) {
  return const_cast<std::string&>(Word(static_cast<const Words&>(words), n, line));
}

// A data click makes a column; clicks on the toolbar, control blocks, the
// calendar or plain mouse clicks are navigation.
inline bool IsDataClick(const Words& words) {
  if (words.size() != 6) return false;
  const std::string& block = words[2];
  return block != "TOOLBAR" && block != "CTRL" && block != "CALENDAR" &&
         !Contains(block, "CONTROL") && words[5] != "MOUSE";
}

// The field named by the fourth word of the comment in front of an "LOV" line:
// form ":" block "." item; the item may be missing.
inline FirstField FieldOfLovComment(std::string_view comment) {
  const Words words = SplitWords(comment, ' ');
  const std::string& name = Word(words, 4, comment);
  const size_t colon = name.find(':');
  if (colon == std::string::npos) {
    throw PlaybackFormatError("no form:block.item in the comment before a list of values: " +
                              std::string(comment));
  }
  FirstField field;
  field.form = name.substr(0, colon);
  const std::string rest = name.substr(colon + 1);
  const size_t dot = rest.find('.');
  if (dot == std::string::npos) {
    field.block = rest;
  } else {
    field.block = rest.substr(0, dot);
    field.item = rest.substr(dot + 1);
  }
  return field;
}

// The values of a list-of-values choice as one cell: several values keep
// their quotes so that the writer can split them again.
inline std::string JoinValues(const Words& words, size_t first) {
  Words values(words.begin() + static_cast<std::ptrdiff_t>(std::min(first, words.size())),
               words.end());
  return JoinWords(values, ' ', values.size() >= 2);
}

inline std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  out.append(text);
  out.push_back('"');
  return out;
}

// A line break inside a value or comment would start a new event line in the
// written file; values keep one line.
inline std::string OneLine(std::string_view text) {
  if (text.find_first_of("\r\n") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.push_back(' ');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Comments keep their line breaks as "%CRLF%"; a lone CR or LF is a break too.
inline std::string CommentForFile(std::string_view comment) {
  std::string out;
  out.reserve(comment.size());
  for (size_t i = 0; i < comment.size(); ++i) {
    if (comment[i] == '\r' || comment[i] == '\n') {
      if (comment[i] == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') ++i;
      out.append("%CRLF%");
    } else {
      out.push_back(comment[i]);
    }
  }
  return out;
}

// An event line split into words that can be changed one at a time. Words
// that are not changed are written back exactly as recorded, quotes included,
// so a line that only gets a new value keeps the rest of its text.
class EventLine {
 public:
  explicit EventLine(std::string_view line) : line_(line) {
    std::vector<std::string_view> views;
    SplitWordsInto(line_, ' ', views);
    const char* begin = line_.data();
    const char* end = line_.data() + line_.size();
    words_.reserve(views.size());
    raw_.reserve(views.size());
    for (std::string_view v : views) {
      words_.emplace_back(v);
      // A quoted word's text starts just after its opening quote; the raw word
      // takes the quotes along.
      const char* first = v.data();
      const char* last = v.data() + v.size();
      if (first > begin && first[-1] == '"') {
        --first;
        if (last < end && *last == '"') ++last;
      }
      raw_.emplace_back(first, static_cast<size_t>(last - first));
    }
  }
  size_t Size() const { return words_.size(); }
  const std::string& Word(size_t n) const { return playback::Word(words_, n, line_); }
  // Replaces word n by text, written as given.
  void Set(size_t n, std::string text) {
    Word(n);
    raw_[n - 1] = std::move(text);
    words_[n - 1] = raw_[n - 1];
  }
  void Erase(size_t n) {
    Word(n);
    raw_.erase(raw_.begin() + static_cast<std::ptrdiff_t>(n - 1));
    words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(n - 1));
  }
  const Words& AllWords() const { return words_; }
  std::string Text() const {
    std::string out;
    for (size_t i = 0; i < raw_.size(); ++i) {
      if (i > 0) out.push_back(' ');
      out += raw_[i];
    }
    return out;
  }

 private:
  std::string_view line_;
  Words words_;
  Words raw_;
};

inline std::string RecordNumberPlus(std::string_view number, int add) {
  const std::int64_t value = StrToInt(number);
  return std::to_string(value + add);
}

}  // namespace typelane::playback
