#pragma once

#include <string_view>

#include "core/files/DocumentKind.h"

namespace typelane {

// What the main window and the options dialog offer in each document kind. The
// user interface reads this after every Document::SetDocumentKind; the core
// decides, so the rule is the same for every front end.
struct KindControls {
  // Text of the grid's top-left cell: "Title", or empty for tab-delimited text.
  std::string_view top_left_text;
  bool col_insert_delete = false;  // mnuColInsert, mnuColDelete, pckColInsert, pckColDelete
  bool titles = false;             // mnuTitles, pckTitles
  bool convert = false;            // mnuConvert, pckConvert
  bool commands = false;           // mnuCommands, icnCommands
  bool send_data = false;          // mnuSendData, icnSendData
  bool delays = false;             // mnuDelays, icnDelays
  bool progress = false;           // mnuProgress
  bool comments = false;     // mnuAddComment, mnuDeleteComment, pckAddComment, pckdeleteComment
  bool group_box = false;    // cmbGroup
  bool auto_tab = false;     // chkAutoTab
  bool window_box = false;   // cmbWindow
  bool description = false;  // txtDescription
  bool view_source = false;  // icnViewSource, mnuViewSource (icnHideSource while shown)
  bool drop_list_checks = false;  // the grid checks drop-list columns
  bool cell_colours = false;      // the cell display colours DATA/COMMAND/KEYSTROKE cells
  // The options dialog.
  bool option_hour_glass = false;    // chkHourGlass
  bool option_auto_insert = false;   // chkAutoInsert
  bool option_progress_bar = false;  // chkProgressBar
  bool option_colours = false;       // grpColour
  bool option_title_size = false;    // chkTitleSize
  bool option_exit_apps = false;     // chkExitApps
  bool option_sign_on = false;       // txtUserName, txtPassword, txtResponsibility
};

KindControls ControlsForKind(DocumentKind kind);

}  // namespace typelane
