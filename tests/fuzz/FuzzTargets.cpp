#include "FuzzTargets.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string_view>
#include <vector>

#include "core/common/Errors.h"
#include "core/common/FileText.h"
#include "core/document/Document.h"
#include "core/edit/CellClipboard.h"
#include "core/files/SheetFile.h"
#include "core/files/TabDelimited.h"
#include "core/forms/Playback.h"
#include "core/settings/Options.h"
#include "core/settings/SettingsStore.h"
#include "support/ScriptedPrompter.h"

namespace typelane::fuzz {
namespace {

std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

struct Scratch {
  Scratch() {
    namespace fs = std::filesystem;
    path = (fs::temp_directory_path() / ("typelane-fuzz-" + std::to_string(std::random_device{}())))
               .string();
    fs::create_directories(path);
    path += "/";
  }
  ~Scratch() {
    std::error_code ignore;
    std::filesystem::remove_all(path, ignore);
  }
  std::string path;
};

// The errors a reader may raise for bad bytes; anything else escapes and fails.
template <typename F>
void Tolerating(F&& f) {
  try {
    f();
  } catch (const ConversionError&) {
  } catch (const PlatformError&) {
  }
}

}  // namespace

const std::string& ScratchFolder() {
  static Scratch scratch;
  return scratch.path;
}

void SheetFileTarget(const std::uint8_t* data, std::size_t size) {
  std::string_view text = AsText(data, size);
  std::vector<std::string_view> lines = SplitLines(text);
  testing::ScriptedPrompter prompter;
  MemorySettingsStore settings;
  Document doc(prompter, settings, ScratchFolder());
  Tolerating([&] { ReadSheetFile(doc, lines); });
  TextOut out;
  WriteSheetFile(doc, out);
  // What we wrote must itself be readable.
  std::string written = out.Take();
  std::vector<std::string_view> again = SplitLines(written);
  Document doc2(prompter, settings, ScratchFolder());
  Tolerating([&] { ReadSheetFile(doc2, again); });
}

void TabDelimitedTarget(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> lines = SplitLines(AsText(data, size));
  Sheet sheet;
  ReadTabDelimited(sheet, lines);
  TextOut out;
  WriteTabDelimited(sheet, out);
}

void PlaybackTarget(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> lines = SplitLines(AsText(data, size));
  testing::ScriptedPrompter prompter;
  MemorySettingsStore settings;
  Document doc(prompter, settings, ScratchFolder());
  doc.SetUserFolder("");  // learnt values go to the scratch folder, never the user's
  doc.SetDocumentKind(DocumentKind::kPlayback);
  bool converted = false;
  try {
    ConvertPlaybackFile(doc, lines);
    converted = true;
  } catch (const std::runtime_error&) {
    // A recording the converter cannot make sense of fails the open.
  }
  if (converted) {
    TextOut out;
    try {
      WritePlaybackFile(doc, out);
    } catch (const std::runtime_error&) {
    }
  }
}

void CommandTableTarget(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> lines = SplitLines(AsText(data, size));
  CommandTable table;
  table.Load(lines);
  std::vector<std::string> saved = table.SaveLines();
  CommandTable again;
  again.Load(std::span<const std::string>(saved));
  for (int r = 1; r < table.RowCount(); ++r) {
    std::string name = table.Cell(r, 0);
    table.IsCommand(name);
    for (const auto& group : table.GroupNames()) table.TranslateCommand(name, group);
  }
  DelaySettings delays;
  delays.SyncCommandDelays(table);
  table.Pack();
}

void SettingsTarget(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchFolder() + "settings.ini";
  WriteFileAtomic(path, AsText(data, size));
  IniSettingsStore store(path);
  Options options = LoadOptionDefaults(store);
  (void)options;
}

void ClipboardTarget(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = AsText(data, size);
  const size_t nul = bytes.find('\0');
  const std::string_view text = bytes.substr(0, nul);
  const std::string_view comments =
      nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1);
  class NoCommands : public CommandNames {
   public:
    bool IsCommand(std::string_view) const override { return false; }
  } commands;
  testing::ScriptedPrompter prompter;
  const FixedWidthMeasure measure;
  Sheet sheet;
  sheet.SetBlankCols(3);
  EditContext context{sheet, prompter, commands, measure};
  PasteCells(context, CellRect{2, 2, 3, 3}, text, comments);
  // Again as a Windows-1252 document, over what is there, then round the
  // clipboard once more.
  context.encoding = TextEncoding::kWindows1252;
  PasteCells(context, CellRect{1, 1, 1, 1}, text, comments);
  const ClipboardBlock block = CopyCells(sheet, CellRect{1, 1, sheet.LastRow(), sheet.LastCol()});
  PasteCells(context, CellRect{1, 1, 1, 1}, block.text, block.comments);
  ClearCells(context, CellRect{1, 1, sheet.LastRow(), sheet.LastCol()});
}

}  // namespace typelane::fuzz
