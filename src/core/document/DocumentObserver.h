#pragma once

#include <array>
#include <string>

#include "core/sheet/SheetObserver.h"

namespace typelane {

enum class DocumentKind : int;

// Everything a window must hear about the open document: the sheet's events
// (SheetObserver: reset, rows and columns inserted or removed, extent, cells,
// widths) and the document's own state. Attach with Document::AddObserver;
// several observers may attach (the grid model, the main window, dialogs) and
// are told in the order they attached. Every method has an empty default, so
// an observer overrides what it shows.
//
// When the calls come:
//  - Outside a reset, each change is told as it happens: SetModified tells
//    ModifiedChanged when the flag really changes, Save As tells CaptionChanged
//    and, when the chosen file type switches the kind, KindChanged, and so on.
//  - New, Open (also a failed one) and a conversion are one reset: first
//    SheetAboutToBeReset, then the work (messages may be shown meanwhile), then
//    SheetReset, and only after it the document's own calls, each at most once
//    and in this order: KindChanged, CommandsReset, DelaysReset, OptionsReset,
//    ValuesChanged, CaptionChanged, ModifiedChanged, RecentFilesChanged. Each
//    tells the state at the end of the reset; a call whose state ended where
//    it began is left out (CaptionChanged, ModifiedChanged,
//    RecentFilesChanged), except KindChanged, which follows every switch of
//    kind (a switch to the same kind reloads the drop lists and forgets the
//    column items, so the windows must look again).
class DocumentObserver : public SheetObserver {
 public:
  // The document kind was switched (SetDocumentKind): menus, controls and the
  // options dialog follow ControlsForKind(kind).
  virtual void KindChanged(DocumentKind kind) { (void)kind; }
  // The modified flag changed: Save is offered exactly while it is set.
  virtual void ModifiedChanged(bool modified) { (void)modified; }
  // The window caption changed ("Veltrax Typelane" or "Veltrax Typelane " + path).
  virtual void CaptionChanged(const std::string& caption) { (void)caption; }
  // The five recent files (entry 1 first; empty entries are hidden).
  virtual void RecentFilesChanged(const std::array<std::string, 5>& files) { (void)files; }
  // The command table was replaced (commands.dat or a sheet file's table): the
  // group list and the commands dialog must be refilled.
  virtual void CommandsReset() {}
  // The delays were replaced (defaults, a sheet file's delays, the per-command
  // delays synchronised with a new table).
  virtual void DelaysReset() {}
  // The options in force were replaced (stored defaults, a sheet file's options).
  virtual void OptionsReset() {}
  // The values that travel with the sheet changed: target window title,
  // description, command group, Auto Tab.
  virtual void ValuesChanged() {}
  // The undo history changed (a step was added, undone, redone or all were
  // forgotten): Undo and Redo name other steps, or none. Not told inside a
  // reset; its end tells it once.
  virtual void HistoryChanged() {}
};

}  // namespace typelane
