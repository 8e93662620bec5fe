#pragma once

#include "core/common/Prompter.h"
#include "core/common/TextEncoding.h"
#include "core/files/DocumentKind.h"
#include "core/forms/FormsState.h"
#include "core/sheet/CellKind.h"
#include "core/sheet/Sheet.h"
#include "core/sheet/TextMeasure.h"

namespace typelane {

// What the grid's editing rules work on: the sheet and the few document values
// that change how an edit goes. Everything the rules ask or tell the user goes
// through prompter; widths are measured through measure (the grid's font).
//
// The rules change only the sheet. They never touch the document's modified
// flag themselves: each returns a SheetChange whose `modified` says whether the
// command marks the document modified.
struct EditContext {
  Sheet& sheet;
  Prompter& prompter;
  const CommandNames& commands;  // IsCommand for automatic titles and insertion
  const TextMeasure& measure;
  DocumentKind kind = DocumentKind::kSheetFile;
  // The drop lists of a playback sheet; checks run only in kind 3 and only
  // when this is set.
  const FormsState* forms = nullptr;
  bool auto_insert = true;  // option AutoInsert
  bool title_size = false;  // option TitleSize
  // The encoding the document came in: text the user types or pastes is
  // stored in it (EncodeText).
  TextEncoding encoding = TextEncoding::kUtf8;

  // Drop-list checks run (kind 3 with its drop lists).
  bool ChecksDropLists() const { return kind == DocumentKind::kPlayback && forms != nullptr; }
  // Bytes to store for text the user typed into the cell (row, col): the
  // cell's own bytes when the text is what it showed, else the text in the
  // cell's encoding (or the document's).
  std::string CellBytes(int row, int col, std::string_view utf8) const {
    return TypedBytes(sheet.Cell(row, col), utf8);
  }
  std::string TypedBytes(std::string_view old_bytes, std::string_view utf8) const {
    if (DecodeText(old_bytes) == utf8) return std::string(old_bytes);
    return EncodeText(utf8, EncodingForEdit(old_bytes, encoding));
  }
};

}  // namespace typelane
