#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/common/Text.h"
#include "core/edit/EditContext.h"
#include "core/sheet/CellRect.h"
#include "core/sheet/SheetObserver.h"
#include "support/ScriptedPrompter.h"

namespace typelane::testing {

// The command names the tests know: SAVE and NEXT, plus the built-ins.
class FakeCommands : public CommandNames {
 public:
  bool IsCommand(std::string_view text) const override {
    return !text.empty() &&
           (IsBuiltInCommand(text) || SameText(text, "SAVE") || SameText(text, "NEXT"));
  }
};

// A sheet with its context: kind 1, UTF-8, 7 pixels per character.
struct EditHarness {
  Sheet sheet;
  ScriptedPrompter prompter;
  FakeCommands commands;
  FixedWidthMeasure measure{7, 0};
  FormsState forms;
  EditContext context{sheet, prompter, commands, measure};
  SheetObserver events;  // insert and delete tell it their pairs

  // Rows of tab-separated cells from row `top`, column 1; raises the extent
  // (titles in row 0 do not).
  void Fill(int top, const std::vector<std::string>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
      std::string_view line = rows[i];
      int col = 1;
      while (true) {
        const size_t tab = line.find('\t');
        const std::string_view cell = line.substr(0, tab);
        const int row = top + static_cast<int>(i);
        sheet.SetCell(row, col, cell);
        if (!cell.empty() && row > 0) sheet.RaiseExtent(row, col);
        if (tab == std::string_view::npos) break;
        line.remove_prefix(tab + 1);
        ++col;
      }
    }
  }

  // Rows top..bottom, columns left..right, as tab-separated lines.
  std::vector<std::string> Rows(int top, int left, int bottom, int right) const {
    std::vector<std::string> out;
    for (int r = top; r <= bottom; ++r) {
      std::string line;
      for (int c = left; c <= right; ++c) {
        if (c > left) line += '\t';
        line += sheet.Cell(r, c);
      }
      out.push_back(line);
    }
    return out;
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& m : prompter.shown) out.push_back(m.text);
    return out;
  }
};

inline CellRect Sel(int top, int left, int bottom, int right) {
  return CellRect{top, left, bottom, right};
}

}  // namespace typelane::testing
