#pragma once

#include <optional>
#include <string>

#include "core/load/SendData.h"
#include "core/sheet/CellRect.h"

namespace typelane {

class Document;

// What the user chose for one Send Data: in the selection dialog (or on the
// command line).
struct SendChoice {
  // "Load all cells"; otherwise the grid's selection (or the rows and columns
  // named on the command line).
  bool all_cells = true;
  CellRect selection;
  // The dialog's command group and window texts; nothing = the document's.
  std::optional<std::string> group;
  std::optional<std::string> window_title;
};

// The request Send Data runs from the document and the choice: the range
// (all cells, or the selection, which the load cuts to the used extent), the
// group and target title, Auto Tab, and the ProgressBar, HourGlass and VerifyPaste options
// in force. Every front end builds its request here, so a load from the
// window and one from typelane-cli play the same cells the same way.
SendRequest MakeSendRequest(const Document& document, const SendChoice& choice);

}  // namespace typelane
