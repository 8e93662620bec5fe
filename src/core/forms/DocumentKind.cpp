#include "core/forms/DocumentKind.h"

#include "core/files/Document.h"
#include "core/forms/DropLists.h"

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

std::string_view SaveFileFilter(DocumentKind kind) {
  if (kind == DocumentKind::kPlayback) {
    return "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*|Forms Playback file "
           "(*.fpb)|*.fpb";
  }
  return "Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*";
}

void Document::SetDocumentKind(DocumentKind kind) {
  kind_ = kind;
  forms.source_view = false;
  // The drop-list data belongs to one switch to kind 3: every switch drops it,
  // and kind 3 loads it afresh from droplists.dat.
  forms.drop_lists_active = false;
  forms.drop_list_entries.Clear();
  forms.column_items.Clear();

  if (kind == DocumentKind::kTabDelimited) {
    // Every title goes at once: clearing them one by one would move the rest
    // of a wide title row for each.
    const int titled = sheet.StoredCols(0);
    sheet.SetRowCells(0, {});
    if (titled > 1) CellsChanged(CellRect{0, 1, 0, titled - 1});
  } else if (kind == DocumentKind::kPlayback) {
    forms.drop_lists_active = true;
    LoadDropLists(*this);
  }
  TellKind();
}

}  // namespace typelane
