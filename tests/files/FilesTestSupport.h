#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/FileText.h"
#include "core/document/Document.h"
#include "core/settings/SettingsStore.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace typelane::testing {

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  WriteFileAtomic(path, bytes);
}

inline std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// The default command table of the tests' program folder.
inline const std::vector<std::string> kDefaultCommands = {
    "Command\tDescription\tGroupA\tGroupB\tNotes",
    "SAVE\tSave the record\t\\^s\t\\{F10}\t",
    "NEXT\tNext field\t\\{TAB}\t\\{TAB}\t",
};

// A document whose program folder holds commands.dat, with a scripted prompter
// and settings kept in memory.
struct DocumentHarness {
  TempDir dir;
  ScriptedPrompter prompter;
  MemorySettingsStore store;
  std::unique_ptr<Document> doc;

  DocumentHarness() {
    WriteBytes(dir / "commands.dat", Join(kDefaultCommands));
    doc = std::make_unique<Document>(prompter, store, dir.Path() + "/");
    // The user's own data folder is one of the test's, and empty.
    doc->SetUserFolder(dir / "user/");
    doc->NewSheet();
    prompter.shown.clear();
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : prompter.shown) texts.push_back(m.text);
    return texts;
  }
};

}  // namespace typelane::testing
