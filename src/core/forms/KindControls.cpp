#include "core/forms/KindControls.h"

namespace typelane {

KindControls ControlsForKind(DocumentKind kind) {
  KindControls c;
  switch (kind) {
    case DocumentKind::kSheetFile:
      c.top_left_text = "Title";
      c.col_insert_delete = true;
      c.titles = true;
      c.convert = true;
      c.commands = true;
      c.send_data = true;
      c.delays = true;
      c.progress = true;
      c.comments = true;
      c.group_box = true;
      c.auto_tab = true;
      c.window_box = true;
      c.description = true;
      c.cell_colours = true;
      c.option_hour_glass = true;
      c.option_auto_insert = true;
      c.option_progress_bar = true;
      c.option_colours = true;
      c.option_title_size = true;
      break;
    case DocumentKind::kTabDelimited:
      // Plain text has no titles, comments or description to keep, and sending
      // data is offered for sheet files only.
      c.top_left_text = "";
      c.col_insert_delete = true;
      break;
    case DocumentKind::kPlayback:
      // Columns are fixed by the recording: inserting or deleting one would
      // shift every value against the recorded events.
      c.top_left_text = "Title";
      c.titles = true;
      c.comments = true;
      c.description = true;
      c.view_source = true;
      c.drop_list_checks = true;
      c.option_title_size = true;
      c.option_exit_apps = true;
      c.option_sign_on = true;
      break;
  }
  return c;
}

}  // namespace typelane
