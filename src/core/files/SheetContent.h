#pragma once

#include <span>
#include <string>

#include "core/common/Prompter.h"
#include "core/load/CommandTable.h"
#include "core/load/DelaySettings.h"
#include "core/settings/Options.h"
#include "core/sheet/Sheet.h"

namespace typelane {

// What a sheet file holds and the readers and writers of this folder work on:
// the sheet, the command table, the delays, the options in force and the values
// of the main window's toolbar. The open document (core/document) is one; the
// readers reach the user and the command table's loading through it.
class SheetContent {
 public:
  virtual ~SheetContent() = default;

  Sheet sheet;
  CommandTable commands;
  DelaySettings delays;
  Options options;

  std::string window_title;   // target window (cmbWindow)
  std::string description;    // txtDescription
  std::string command_group;  // cmbGroup's text
  bool auto_tab = false;      // chkAutoTab

  // Whom the readers tell of format errors.
  virtual Prompter& prompter() = 0;
  // The command table from lines (a sheet file's own table), or from
  // commands.dat when lines is empty. Clears the command group.
  virtual bool LoadCommands(std::span<const std::string> lines) = 0;
};

}  // namespace typelane
