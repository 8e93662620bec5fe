// How the grid's editing commands cope with a large sheet: 200,000 rows x 20
// columns in the window, each command run from its menu item over the real
// grid and model, the time including the model's begin/end calls and the
// repaint that follows, and Undo / Redo of deleting half of the rows. Figures
// only; nothing is asserted.
//
// usage: bench_gui_edit [ROWS [COLS]]   (QT_QPA_PLATFORM=offscreen by default)

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../BenchPrompter.h"
#include "core/document/Document.h"
#include "core/settings/SettingsStore.h"
#include "platform/recording/RecordingPlatform.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"

namespace {}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int cols = argc > 2 ? std::atoi(argv[2]) : 20;
  QApplication app(argc, argv);
  typelane::BenchPrompter prompter(typelane::Answer::kNo);
  typelane::MemorySettingsStore settings;
  typelane::RecordingPlatform platform;
  typelane::Document document(prompter, settings, "");
  document.SetUserFolder("");
  typelane::ui::MainWindow window(document, platform);
  window.show();
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) std::fprintf(stderr, "window not active\n");
  typelane::ui::EditGrid* grid = window.Grid();

  QElapsedTimer timer;
  timer.start();
  const std::vector<std::string_view> cells(static_cast<size_t>(cols), "cell text");
  for (int r = 1; r <= rows; ++r) document.sheet.SetRowCells(r, cells);
  document.sheet.RaiseExtent(rows, cols);
  document.CellsChanged({1, 1, rows, cols});
  QApplication::processEvents();
  std::printf("sheet: %d rows x %d columns in the grid: %8.1f ms\n", rows, cols,
              static_cast<double>(timer.nsecsElapsed()) / 1e6);

  auto run = [&](const char* what, auto&& command) {
    timer.restart();
    command();
    QApplication::processEvents();
    std::printf("%-34s %8.1f ms\n", what, static_cast<double>(timer.nsecsElapsed()) / 1e6);
  };
  auto menu = [&](const char* name) { window.Action(QString::fromLatin1(name))->trigger(); };
  grid->setFocus();
  // As after opening the file: nothing to undo yet.
  document.History().Restart(false);
  const int half = rows / 2;
  const std::string deleted = "Row > Delete rows 1.." + std::to_string(half);
  run(deleted.c_str(), [&] {
    grid->SelectRange({1, 1, 1, half});
    menu("mnuRowDelete");
  });
  run("Edit > Undo (the rows come back)", [&] { menu("mnuUndo"); });
  run("Edit > Redo (deleted again)", [&] { menu("mnuRedo"); });
  run("Edit > Undo again", [&] { menu("mnuUndo"); });
  std::printf("rows after Undo: %d; undo history %.1f MB\n", document.sheet.LastRow(),
              static_cast<double>(document.History().Bytes()) / (1024.0 * 1024.0));
  run("Row > Insert at row 1", [&] {
    grid->SelectRange({1, 1, 1, 1});
    menu("mnuRowInsert");
  });
  run("Row > Delete at row 1", [&] { menu("mnuRowDelete"); });
  run("Column > Insert at column 1", [&] { menu("mnuColInsert"); });
  run("Column > Delete at column 1", [&] { menu("mnuColDelete"); });
  run("Column > Select (column 2)", [&] {
    grid->SelectRange({2, 1, 2, 1});
    menu("mnuColSelect");
  });
  run("Copy the whole column", [&] { menu("mnuCopy"); });
  run("Fill > Down the whole column", [&] { menu("mnuFillDown"); });
  run("Paste one cell into the column", [&] {
    QApplication::clipboard()->setText(QStringLiteral("x"));
    menu("mnuPaste");
  });
  run("Clear the column", [&] { menu("mnuClear"); });
  run("Select All, Clear", [&] {
    menu("mnuSelectAll");
    menu("mnuClear");
  });
  std::printf("extent after Clear: %d rows, %d columns; model %d x %d\n", document.sheet.LastRow(),
              document.sheet.LastCol(), grid->model()->rowCount(), grid->model()->columnCount());
  document.SetModified(false);
  return 0;
}
