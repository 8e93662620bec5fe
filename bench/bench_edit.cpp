// Bulk edits of the grid over 200,000 rows x 20 columns: paste, copy, fill,
// insert and delete. Prints the time of each; the target is under a second apiece.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "BenchPrompter.h"
#include "BenchTiming.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/FillCells.h"
#include "core/edit/InsertDelete.h"

namespace {

using namespace typelane;

constexpr int kRows = 200000;
constexpr int kCols = 20;

class NoCommands : public CommandNames {
 public:
  bool IsCommand(std::string_view) const override { return false; }
};

// 200,000 lines of 20 cells of about 8 characters, as a clipboard holds them.
std::string BlockText() {
  std::string text;
  text.reserve(static_cast<size_t>(kRows) * kCols * 9);
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      if (c > 0) text.push_back('\t');
      text += "v" + std::to_string(r * 7 + c);
    }
    text += "\r\n";
  }
  return text;
}

void Print(const char* what, Timing t) { PrintTiming(what, t, 28); }

}  // namespace

int main() {
  Sheet sheet;
  BenchPrompter prompter(Answer::kOk);
  NoCommands commands;
  FixedWidthMeasure measure;
  EditContext context{sheet, prompter, commands, measure};
  SheetObserver events;
  const std::string text = BlockText();
  const CellRect all{1, 1, kRows, kCols};

  std::printf("bulk edits over %d rows x %d columns\n", kRows, kCols);
  Print("paste into an empty sheet", Seconds([&] {
          PasteCells(context, CellRect{1, 1, 1, 1}, text, "");
        }));
  Print("paste over filled cells", Seconds([&] {
          PasteCells(context, CellRect{1, 1, 1, 1}, text, "");
        }));
  Print("copy all", Seconds([&] { CopyCells(sheet, all); }));
  // As another program's clipboard has them: lines ending in LF alone.
  std::string lines = text;
  std::erase(lines, '\r');
  Print("paste LF-ended lines", Seconds([&] {
          PasteCells(context, CellRect{1, 1, 1, 1}, lines, "", PastedLines::kAtAnyBreak);
        }));
  Print("fill down", Seconds([&] { FillCells(context, all, FillDirection::kDown); }));
  Print("fill right", Seconds([&] { FillCells(context, all, FillDirection::kRight); }));
  PasteCells(context, CellRect{1, 1, 1, 1}, text, "");
  Print("insert 1,000 rows at row 1", Seconds([&] {
          InsertCells(context, CellRect{1, 1, 1000, 1}, WholeCells::kRows, events);
        }));
  Print("insert a column at 1", Seconds([&] {
          InsertCells(context, CellRect{1, 1, 1, 1}, WholeCells::kColumns, events);
        }));
  Print("delete 1,000 rows at row 1", Seconds([&] {
          DeleteCells(context, CellRect{1, 1, 1000, 1}, WholeCells::kRows, events);
        }));
  Print("delete a column at 1", Seconds([&] {
          DeleteCells(context, CellRect{1, 1, 1, 1}, WholeCells::kColumns, events);
        }));
  std::printf("extent after the edits      %d rows x %d columns\n", sheet.LastRow(),
              sheet.LastCol());
  return 0;
}
