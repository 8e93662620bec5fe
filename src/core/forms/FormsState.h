#pragma once

#include <string>
#include <vector>

namespace typelane {

// What a converted playback recording keeps besides the sheet: the program-wide
// line lists the writer replays once per row, and the drop-list data.
// (Filled in by the playback conversion.)
struct FormsState {
  void Clear() {}
};

}  // namespace typelane
