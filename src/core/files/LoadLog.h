#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/common/AppendFile.h"
#include "core/load/LoadJournal.h"

namespace typelane {

// The load log: a tab-delimited file with a heading line and then one line per
// row the load reached, written as each row ends:
//
//   Row  Started                  Cells sent  Outcome
//   3    2026-12-08 14:05:09.123  8           loaded
//   4    2026-12-08 14:05:12.480  2           stopped by Esc in row 4 after cell 2
//
// "Started" is the time of day, to the millisecond, the row's first cell
// began. "Outcome" is the load's own words for how the row ended, as the load
// gives them ("loaded", the stop or the error that ended it, naming the row
// and the cell), put on one line; the log adds nothing and judges nothing.
// A line without a row number is a note about the load as a whole, such as
// where a resumed load began ("resumed at row 4, cell 3").
//
// The log of a load that verifies its pastes has a fifth column, "Verified",
// after the others (so a reader of the first four reads both kinds): "yes"
// when every value the row pasted was read back from the target's field,
// "no" when one was not what the field held, "not available" when they could
// not be read.
// Every line ends CR LF, as in all our files.
//
// A failure to write is kept (Error()) and ends the logging, never the load.
class LoadLog final : public LoadJournal {
 public:
  // A new log in folder (made when missing), named after the sheet and the
  // time: "orders 2026-12-08 14-05-07.txt", with " (2)", " (3)" ... when that
  // name is taken. A sheet name too long for a file name is cut at a whole
  // character; the date and time stay. Throws FileError.
  // verified: the log of a load that verifies its pastes (the fifth column).
  static std::unique_ptr<LoadLog> CreateIn(const std::string& folder, std::string_view sheet_name,
                                           std::chrono::system_clock::time_point now,
                                           bool verified = false);
  // A new log at a path the user named, created exclusively and never
  // through a link: anything already of that name (a file, a link, a link to
  // nowhere) is a FileError naming it, as is a path that cannot be written.
  static std::unique_ptr<LoadLog> CreateAt(const std::string& path, bool verified = false);

  // The folder of a user's load logs: "logs" in their data folder (data_folder
  // ends in its separator); "" when there is no data folder.
  static std::string FolderIn(const std::string& data_folder);
  // The part of a sheet's file name a log is named after: no folder, no
  // extension; "Untitled" for a sheet never saved.
  static std::string SheetName(std::string_view file_name);

  const std::string& Path() const { return file_->Path(); }
  // The first write failure's message; "" while every line went out.
  const std::string& Error() const { return error_; }
  int RowsWritten() const { return rows_written_; }

  // ---- LoadJournal ----
  void LoadStarted(std::int64_t now_ms) override;
  void RowStarted(int row, std::int64_t now_ms) override;
  void RowEnded(int row, int cells_sent, std::string_view outcome) override;
  void RowVerified(int row, std::string_view verified) override;
  // A line of its own, without a row or cells: "resumed at row 3, cell 4".
  void LoadNote(std::int64_t now_ms, std::string_view text) override;

 private:
  LoadLog(std::unique_ptr<AppendFile> file, bool verified);
  void Write(std::string_view line);

  std::unique_ptr<AppendFile> file_;
  std::string error_;
  int rows_written_ = 0;
  // The load's clock at its start and the time of day then.
  std::int64_t started_ms_ = 0;
  std::chrono::system_clock::time_point started_at_;
  std::int64_t row_started_ms_ = 0;
  bool verified_column_ = false;
  std::string row_verified_;
};

}  // namespace typelane
