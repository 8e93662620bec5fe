#include "core/files/LoadLog.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/common/Errors.h"
#include "core/common/FileSystem.h"
#include "core/common/PrivateFiles.h"
#include "core/common/Text.h"

namespace typelane {
namespace {

constexpr std::string_view kHeading = "Row\tStarted\tCells sent\tOutcome";
constexpr std::string_view kVerifiedHeading = "\tVerified";

// A log's name may take this many bytes (NAME_MAX on Linux; Windows counts
// UTF-16 units, never more than the UTF-8 bytes).
constexpr size_t kMaxNameBytes = 255;

// The file name's time to the second; a line's time to the millisecond (rows
// of a fast load start within the same second).
std::string FormatTime(std::chrono::system_clock::time_point moment, bool for_file_name) {
  const auto since_epoch = moment.time_since_epoch();
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since_epoch);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch - seconds).count();
  if (ms < 0) {  // before 1970: the milliseconds count up from the second below
    ms += 1000;
    seconds -= std::chrono::seconds(1);
  }
  const std::tm t = LocalTime(static_cast<std::time_t>(seconds.count()));
  char text[80];
  if (for_file_name) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ms));
  }
  return text;
}

// The first bytes of name, at most limit, never ending inside a UTF-8
// character (a name in another 8-bit encoding is cut at any byte).
std::string CutName(std::string name, size_t limit) {
  if (name.size() <= limit) return name;
  size_t cut = limit;
  if (IsValidUtf8(name)) {
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  }
  name.resize(cut);
  return name;
}

// A message on one line of a tab-delimited file: its own line breaks and tabs
// become blanks.
std::string OneField(std::string_view text) {
  std::string field;
  for (char c : text) {
    if (c == '\t' || c == '\r' || c == '\n') {
      if (!field.empty() && field.back() != ' ') field += ' ';
    } else {
      field += c;
    }
  }
  while (!field.empty() && field.back() == ' ') field.pop_back();
  return field;
}

}  // namespace

LoadLog::LoadLog(std::unique_ptr<AppendFile> file, bool verified)
    : file_(std::move(file)), verified_column_(verified) {
  Write(std::string(kHeading) + std::string(verified ? kVerifiedHeading : std::string_view()));
  started_at_ = std::chrono::system_clock::now();
}

std::unique_ptr<LoadLog> LoadLog::CreateIn(const std::string& folder, std::string_view sheet_name,
                                           std::chrono::system_clock::time_point now,
                                           bool verified) {
  // The user's alone: a log shows what was typed where.
  CreatePrivateFolders(folder);
  std::string base(sheet_name);
  // Characters no file name may hold on one system or the other.
  for (char& c : base) {
    if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos ||
        static_cast<unsigned char>(c) < 0x20) {
      c = '_';
    }
  }
  // The date, the time and the longest number and extension always fit: a
  // long sheet name gives up its end instead.
  const std::string stamp = " " + FormatTime(now, true);
  const size_t tail = stamp.size() + std::string_view(" (999).txt").size();
  size_t name_bytes = kMaxNameBytes;
#if defined(_WIN32)
  // Without long-path support a whole path stays within MAX_PATH (259
  // characters and its end); a folder's bytes are at least its characters.
  constexpr size_t kMaxPath = 259;
  name_bytes = std::min(
      name_bytes, folder.size() + tail + 16 < kMaxPath ? kMaxPath - folder.size() : tail + 16);
#endif
  base = CutName(std::move(base), name_bytes - tail) + stamp;
  const std::string stem = folder + base;
  for (int n = 1; n < 1000; ++n) {
    const std::string path = stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + ".txt";
    if (auto file = AppendFile::CreateNew(path)) {
      return std::unique_ptr<LoadLog>(new LoadLog(std::move(file), verified));
    }
  }
  throw FileError(stem + ".txt", "Too many load logs of this name already exist.");
}

std::unique_ptr<LoadLog> LoadLog::CreateAt(const std::string& path, bool verified) {
  // Never an existing file: a mistyped name must not empty the sheet being
  // loaded, nor, through a link, a file somewhere else.
  auto file = AppendFile::CreateNew(path);
  if (!file) throw FileError(path, "The file already exists; a load log is always a new file.");
  return std::unique_ptr<LoadLog>(new LoadLog(std::move(file), verified));
}

std::string LoadLog::FolderIn(const std::string& data_folder) {
  if (data_folder.empty()) return {};
  const char separator = data_folder.back() == '\\' ? '\\' : '/';
  return data_folder + "logs" + separator;
}

std::string LoadLog::SheetName(std::string_view file_name) {
  const size_t slash = file_name.find_last_of("/\\");
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  const size_t dot = file_name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) file_name = file_name.substr(0, dot);
  return file_name.empty() ? std::string("Untitled") : std::string(file_name);
}

void LoadLog::LoadStarted(std::int64_t now_ms) {
  started_ms_ = now_ms;
  started_at_ = std::chrono::system_clock::now();
}

void LoadLog::RowStarted(int /*row*/, std::int64_t now_ms) { row_started_ms_ = now_ms; }

void LoadLog::RowEnded(int row, int cells_sent, std::string_view outcome) {
  // The time of day from the load's own clock, so a dry run's virtual hours
  // show as the load would take them.
  const auto at = started_at_ + std::chrono::milliseconds(row_started_ms_ - started_ms_);
  std::string line = std::to_string(row) + '\t' + FormatTime(at, false) + '\t' +
                     std::to_string(cells_sent) + '\t' + OneField(outcome);
  if (verified_column_) {
    line += '\t' + row_verified_;
    row_verified_.clear();
  }
  Write(line);
  if (error_.empty()) ++rows_written_;
}

void LoadLog::RowVerified(int /*row*/, std::string_view verified) {
  row_verified_ = OneField(verified);
}

void LoadLog::LoadNote(std::int64_t now_ms, std::string_view text) {
  const auto at = started_at_ + std::chrono::milliseconds(now_ms - started_ms_);
  Write("\t" + FormatTime(at, false) + "\t\t" + OneField(text));
}

void LoadLog::Write(std::string_view line) {
  if (!error_.empty()) return;
  try {
    std::string bytes(line);
    bytes += "\r\n";
    file_->Append(bytes);
  } catch (const std::exception& e) {
    error_ = e.what();
  }
}

}  // namespace typelane
