// Bulk edits of the grid over 200,000 rows x 20 columns: paste, fill, insert
// and delete. Prints the time of each; the target is under a second apiece.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Prompter.h"
#include "core/edit/CellClipboard.h"
#include "core/edit/FillCells.h"
#include "core/edit/InsertDelete.h"

namespace {

using namespace typelane;

constexpr int kRows = 200000;
constexpr int kCols = 20;

class QuietPrompter : public Prompter {
 public:
  Answer Message(std::string_view, std::string_view, Buttons) override { return Answer::kOk; }
  std::optional<FileChoice> ChooseOpenFile(std::string_view, int, std::string_view) override {
    return std::nullopt;
  }
  std::optional<FileChoice> ChooseSaveFile(std::string_view, int, std::string_view) override {
    return std::nullopt;
  }
};

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

template <typename F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  Sheet sheet;
  QuietPrompter prompter;
  NoCommands commands;
  FixedWidthMeasure measure;
  EditContext context{sheet, prompter, commands, measure};
  SheetObserver events;
  const std::string text = BlockText();
  const CellRect all{1, 1, kRows, kCols};

  std::printf("bulk edits over %d rows x %d columns\n", kRows, kCols);
  const double paste = Seconds([&] { PasteCells(context, CellRect{1, 1, 1, 1}, text, ""); });
  std::printf("paste into an empty sheet   %6.3f s\n", paste);
  const double repaste = Seconds([&] { PasteCells(context, CellRect{1, 1, 1, 1}, text, ""); });
  std::printf("paste over filled cells     %6.3f s\n", repaste);
  const double fill_down = Seconds([&] { FillCells(context, all, FillDirection::kDown); });
  std::printf("fill down                   %6.3f s\n", fill_down);
  const double fill_right = Seconds([&] { FillCells(context, all, FillDirection::kRight); });
  std::printf("fill right                  %6.3f s\n", fill_right);
  PasteCells(context, CellRect{1, 1, 1, 1}, text, "");
  const double insert_rows = Seconds([&] {
    InsertCells(context, CellRect{1, 1, 1000, 1}, WholeCells::kRows, events);
  });
  std::printf("insert 1,000 rows at row 1  %6.3f s\n", insert_rows);
  const double insert_cols = Seconds([&] {
    InsertCells(context, CellRect{1, 1, 1, 1}, WholeCells::kColumns, events);
  });
  std::printf("insert a column at 1        %6.3f s\n", insert_cols);
  const double delete_rows = Seconds([&] {
    DeleteCells(context, CellRect{1, 1, 1000, 1}, WholeCells::kRows, events);
  });
  std::printf("delete 1,000 rows at row 1  %6.3f s\n", delete_rows);
  const double delete_cols = Seconds([&] {
    DeleteCells(context, CellRect{1, 1, 1, 1}, WholeCells::kColumns, events);
  });
  std::printf("delete a column at 1        %6.3f s\n", delete_cols);
  std::printf("extent after the edits      %d rows x %d columns\n", sheet.LastRow(),
              sheet.LastCol());
  return 0;
}
