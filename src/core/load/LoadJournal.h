#pragma once

#include <cstdint>
#include <string_view>

namespace typelane {

// A record of a load kept row by row as the load goes (the load log): a crash
// or a kill halfway leaves the rows played so far on record. Times come from
// the platform's monotonic clock (Platform::NowMs). A journal never stops a
// load: it keeps its own failures to itself.
class LoadJournal {
 public:
  virtual ~LoadJournal() = default;

  // The target was found and the rows begin.
  virtual void LoadStarted(std::int64_t now_ms) = 0;
  // A row of the sheet begins with its first cell.
  virtual void RowStarted(int row, std::int64_t now_ms) = 0;
  // How the row ended: the cells played so far and what happened, in the
  // log's words ("loaded", "stopped by Esc at cell 3", an error's message).
  virtual void RowEnded(int row, int cells_sent, std::string_view outcome) = 0;
  // For a load that verifies its pastes, told right before RowEnded: whether
  // the row's pasted values were read back from the target ("yes"), one was
  // not what the field held ("no"), or they could not be read ("not
  // available").
  virtual void RowVerified(int /*row*/, std::string_view /*verified*/) {}
  // Something worth keeping about the load as a whole ("resumed at row 3,
  // cell 4").
  virtual void LoadNote(std::int64_t /*now_ms*/, std::string_view /*text*/) {}
};

}  // namespace typelane
