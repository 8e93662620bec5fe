#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/FileText.h"
#include "core/document/Document.h"
#include "core/forms/Playback.h"
#include "core/settings/SettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace typelane::testing {

inline std::string CorpusPath(std::string_view name) {
  return std::string(TYPELANE_TEST_DATA) + "/playback/" + std::string(name);
}

// Lines of a text, kept alive with the views that point into it.
struct LineFile {
  std::string bytes;
  std::vector<std::string_view> lines;
  explicit LineFile(std::string text) : bytes(std::move(text)), lines(SplitLines(bytes)) {}
};

inline LineFile CorpusFile(std::string_view name) {
  return LineFile(ReadFileBytes(CorpusPath(name)));
}

inline LineFile Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return LineFile(std::move(text));
}

// A document in kind 3 whose program folder holds a commands.dat and, unless
// told otherwise, an empty droplists.dat, as after the open flow's switch.
struct FormsHarness {
  TempDir dir;
  ScriptedPrompter prompter;
  MemorySettingsStore store;
  std::unique_ptr<Document> doc;

  explicit FormsHarness(bool with_drop_lists = true) {
    WriteFileAtomic(dir / "commands.dat",
                    "Command\tDescription\tGroupA\r\nNEXT\tNext\t\\{TAB}\r\n");
    if (with_drop_lists) WriteFileAtomic(dir / "droplists.dat", "");
    doc = std::make_unique<Document>(prompter, store, dir.Folder());
    // The user's own data folder is one of the test's, and empty.
    doc->SetUserFolder(dir / "user/");
    doc->NewSheet();
    doc->SetDocumentKind(DocumentKind::kPlayback);
    prompter.shown.clear();
  }

  bool Convert(const LineFile& file) { return ConvertPlaybackFile(*doc, file.lines); }
  bool Convert(std::string_view corpus_name) {
    LineFile file = CorpusFile(corpus_name);
    return Convert(file);
  }

  std::vector<std::string> Written() {
    TextOut out;
    WritePlaybackFile(*doc, out);
    return out.Lines();
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : prompter.shown) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (int c = 1; c <= doc->sheet.LastCol(); ++c) titles.emplace_back(doc->sheet.Cell(0, c));
    return titles;
  }
  std::vector<std::string> Row(int row) const {
    std::vector<std::string> cells;
    for (int c = 1; c <= doc->sheet.LastCol(); ++c) cells.emplace_back(doc->sheet.Cell(row, c));
    return cells;
  }
};

inline constexpr std::string_view kCannotProcess =
    "This file cannot be processed by Typelane.\r\nPlease check the file was recorded as required "
    "by Typelane.";
inline constexpr std::string_view kNoClosing = "Failed to identify the closing commands.";
inline constexpr std::string_view kMultipleRecords =
    "This load may fail for multiple records!\rTypelane did not detect navigation back to the "
    "first field when the record was complete.";
inline constexpr std::string_view kMissingValues =
    "One or more list of values did not contain enough values.\r\nMissing values were replaced "
    "with blank strings but the load may not work.";

}  // namespace typelane::testing
