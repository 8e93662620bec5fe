// convert and playback: sheets, text and recordings from one form to another.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "CliCommon.h"
#include "core/forms/DropLists.h"
#include "core/forms/PlaybackRows.h"
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#endif

namespace typelane::cli {
namespace {

// Files from this size on show what is being done while they are read and
// written, where someone watches the terminal.
constexpr std::uintmax_t kBigFile = 1 << 20;

constexpr OptionRule kConvertOptions[] = {{"quiet", false, 'q'}};
constexpr OptionRule kPlaybackOptions[] = {{"output", true, 'o'}, {"quiet", false, 'q'}};

// The document kind a file name asks for when writing; the standard output
// takes the kind the command writes there.
DocumentKind KindForOutput(const std::string& path, DocumentKind standard_kind) {
  if (IsStandardStream(path)) return standard_kind;
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".tyl") return DocumentKind::kSheetFile;
  if (ext == ".fpb") return DocumentKind::kPlayback;
  return DocumentKind::kTabDelimited;
}

// A sheet read only in part would be written without what the reader never
// reached (options, widths, comments, commands, the rest of the rows): a script
// gets a failure and its output stays as it was.
bool ReadCompletely(const Document& doc) {
  if (!doc.PartlyRead()) return true;
  PrintError("nothing was written: \"" + doc.FileName() + "\" could not be read completely.");
  return false;
}

// Where the document saves "OUT": the file itself, or for "-" the standard
// output (written as it is, like any pipe or FIFO).
class OutputPath {
 public:
  explicit OutputPath(const std::string& path) : path_(path) {
    if (!IsStandardStream(path)) return;
#if defined(_WIN32)
    std::error_code ec;
    temporary_ = (std::filesystem::temp_directory_path(ec) /
                  ("typelane-stdout-" + std::to_string(_getpid())))
                     .string();
    path_ = temporary_;
#else
    path_ = "/dev/stdout";
#endif
  }
  ~OutputPath() {
    if (temporary_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
  }
  OutputPath(const OutputPath&) = delete;
  OutputPath& operator=(const OutputPath&) = delete;
  const std::string& Path() const { return path_; }
  // After a save: what went to a file of our own goes on to the standard output.
  void Deliver() const {
    if (temporary_.empty()) return;
#if defined(_WIN32)
    std::cout.flush();
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ifstream saved(temporary_, std::ios::binary);
    std::cout << saved.rdbuf();
    std::cout.flush();
  }

 private:
  std::string path_;
  std::string temporary_;
};

int SaveAs(Session& session, const std::string& out_name, DocumentKind standard_kind) {
  Document& doc = session.document;
  const OutputPath out(out_name);
  DocumentKind kind = KindForOutput(out_name, standard_kind);
  if (kind == DocumentKind::kPlayback && doc.Kind() != DocumentKind::kPlayback) {
    PrintError("A playback file can only be written from a converted recording (.fpb).");
    return kExitError;
  }
  session.prompter.save_choice = FileChoice{out.Path(), static_cast<int>(kind)};
  const int errors_before = session.prompter.errors_shown;
  if (!doc.SaveFile(true) || session.prompter.errors_shown != errors_before) return kExitError;
  out.Deliver();
  return kExitOk;
}

bool IsBig(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return !ec && size >= kBigFile;
}

std::string MegaBytes(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return std::to_string((size + (1 << 19)) >> 20) + " MB";
}

}  // namespace

int RunConvert(const std::vector<std::string>& args, const std::string& folder) {
  const ParsedArgs parsed = ParseArgs("convert", args, kConvertOptions);
  if (parsed.help) {
    PrintCommandHelp(*FindCommand("convert"));
    return kExitOk;
  }
  if (parsed.operands.size() != 2) throw UsageError{"convert needs IN and OUT", "convert"};
  const InputPath in(parsed.operands[0]);
  const std::string& out_name = parsed.operands[1];

  // A big file takes a while: a terminal says what is going on meanwhile.
  TerminalProgress progress(!parsed.Has("quiet") && isatty(STDERR_FILENO) && IsBig(in.Path()));
  progress.Show("Reading " + parsed.operands[0] + " (" + MegaBytes(in.Path()) + ")...");
  Session session(folder);
  if (!OpenSheet(session.document, in.Path()) || !ReadCompletely(session.document)) {
    progress.ProgressHidden();
    return kExitError;
  }
  progress.Show("Writing " + out_name + " (" + std::to_string(session.document.sheet.LastRow()) +
                " rows)...");
  const int status = SaveAs(session, out_name, DocumentKind::kTabDelimited);
  progress.ProgressHidden();
  return status;
}

int RunPlayback(const std::vector<std::string>& args, const std::string& folder) {
  const ParsedArgs parsed = ParseArgs("playback", args, kPlaybackOptions);
  if (parsed.help) {
    PrintCommandHelp(*FindCommand("playback"));
    return kExitOk;
  }
  const std::optional<std::string> out_path = parsed.Last("output");
  if (parsed.operands.size() != 2 || !out_path || out_path->empty()) {
    throw UsageError{"playback needs RECORDING.fpb DATA -o OUT.fpb", "playback"};
  }
  if (IsStandardStream(parsed.operands[0]) && IsStandardStream(parsed.operands[1])) {
    throw UsageError{"only one of RECORDING and DATA can be the standard input", "playback"};
  }
  const InputPath recording(parsed.operands[0]);
  const InputPath rows(parsed.operands[1]);

  Session session(folder);
  Document& doc = session.document;
  if (!OpenSheet(doc, recording.Path())) return kExitError;
  if (doc.Kind() != DocumentKind::kPlayback) {
    PrintError("\"" + parsed.operands[0] + "\" is not a recorded playback file.");
    return kExitError;
  }

  // The rows come from a document of their own, read by the usual open flow.
  CliPrompter data_prompter(std::cerr);
  MemorySettingsStore data_settings;
  Document data(data_prompter, data_settings, folder);
  if (!OpenSheet(data, rows.Path()) || !ReadCompletely(data)) return kExitError;

  Sheet& sheet = doc.sheet;
  const int cols = sheet.LastCol();
  if (ReplaceRecordedRows(sheet, data.sheet) > 0) {
    PrintWarning(parsed.operands[1] + " has " + std::to_string(data.sheet.LastCol()) +
                 " columns; the recording has " + std::to_string(cols) + ". Columns after " +
                 std::to_string(cols) + " are left out.");
  }

  // Drop-list columns take only values the recordings have shown. The window
  // clears a wrong cell for the user to type again; a script gets told which
  // cells are wrong and nothing is written.
  int invalid = 0;
  for (int r = 1; r <= sheet.LastRow(); ++r) {
    for (int c = 1; c <= cols; ++c) {
      if (DropListAllows(doc.forms, c, sheet.Cell(r, c))) continue;
      if (invalid++ == 0) {
        PrintError(
            "One or more cells contained data that is not valid for the relevant drop list.");
      }
      std::cerr << "  row " << r << ", column " << c << " (" << sheet.Cell(0, c) << "): \""
                << sheet.Cell(r, c) << "\"" << std::endl;
    }
  }
  if (invalid > 0) return kExitError;
  return SaveAs(session, *out_path, DocumentKind::kPlayback);
}

}  // namespace typelane::cli
