#pragma once

namespace typelane {

class Sheet;

// Puts the rows of a data sheet into a converted recording in place of the
// recorded rows, so the playback file written from it enters every data row:
// cells of columns 1..the recording's LastCol and their comments come from the
// data, nothing of the recorded rows stays (a recorded row's comment would
// otherwise land on the first data row). The titles, their comments and the
// column widths stay the recording's. Returns how many data columns did not
// fit (0 when all did).
int ReplaceRecordedRows(Sheet& recording, const Sheet& data);

}  // namespace typelane
