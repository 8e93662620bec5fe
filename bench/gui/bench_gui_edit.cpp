// How the grid's editing commands cope with a large sheet: 200,000 rows x 20
// columns in the window, each command run from its menu item over the real
// grid and model, the time including the model's begin/end calls and the
// repaint that follows, and Undo / Redo of deleting half of the rows. Figures
// only; nothing is asserted.
//
// usage: bench_gui_edit [--clipboard] [ROWS [COLS]]
//   (QT_QPA_PLATFORM=offscreen by default; --clipboard times the clipboard
//   alone, over more rounds)
//
// Under X11 (QT_QPA_PLATFORM=xcb, an X server such as Xvfb, and xclip) it
// times the clipboard too, through the program's own X11 desktop layer (which
// serves large copies), each beside the raw transfer of the same bytes from
// one xclip to another (medians of three rounds, or nine):
//  - Select All + Copy, until another program (xclip -o) has read the text;
//  - Paste of 50,001 lines another program (xclip -i) offers, until painted.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../BenchPrompter.h"
#include "core/document/Document.h"
#include "core/settings/SettingsStore.h"
#include "platform/recording/RecordingPlatform.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"
#if defined(TYPELANE_HAVE_X11)
#include "platform/x11/X11Platform.h"
#endif

namespace {

// Runs xclip with args (its input from a file when input is not empty) and
// keeps the event loop running meanwhile: the program may be the clipboard's
// owner the other end asks. The standard output goes to output, or nowhere.
bool RunXclip(const QStringList& args, const QString& input = {}, const QString& output = {}) {
  QProcess xclip;
  xclip.setProgram(QStringLiteral("xclip"));
  xclip.setArguments(args);
  if (!input.isEmpty()) xclip.setStandardInputFile(input);
  xclip.setStandardOutputFile(output.isEmpty() ? QProcess::nullDevice() : output);
  // The loop sleeps until the X server or xclip has something for it.
  QEventLoop loop;
  QObject::connect(&xclip, &QProcess::finished, &loop, &QEventLoop::quit);
  xclip.start();
  if (!xclip.waitForStarted()) return false;
  if (xclip.state() != QProcess::NotRunning) loop.exec();
  return xclip.exitStatus() == QProcess::NormalExit && xclip.exitCode() == 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The raw transfer: an xclip owns the file's bytes, another reads them.
double RawTransferMs(const QString& file) {
  // -i forks a child that serves the text and returns once it owns it.
  if (!RunXclip({"-selection", "clipboard", "-i", file})) return -1;
  QElapsedTimer timer;
  timer.start();
  if (!RunXclip({"-selection", "clipboard", "-o"})) return -1;
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int arg = 1;
  const bool clipboard_only = argc > 1 && std::string_view(argv[1]) == "--clipboard";
  if (clipboard_only) ++arg;
  const int rows = argc > arg ? std::atoi(argv[arg]) : 200000;
  const int cols = argc > arg + 1 ? std::atoi(argv[arg + 1]) : 20;
  const int rounds = clipboard_only ? 9 : 3;
#if defined(TYPELANE_HAVE_X11)
  const bool x11 = qgetenv("QT_QPA_PLATFORM") == "xcb";
  if (x11) typelane::InitX11Threads();
#endif
  QApplication app(argc, argv);
  typelane::BenchPrompter prompter(typelane::Answer::kNo);
  typelane::MemorySettingsStore settings;
  // The program's own desktop layer under X11 (a large copy goes through it),
  // the recording one elsewhere.
  std::unique_ptr<typelane::Platform> desktop;
#if defined(TYPELANE_HAVE_X11)
  std::string error;
  if (x11) desktop = typelane::CreateX11Platform(&error);
#endif
  if (!desktop) desktop = std::make_unique<typelane::RecordingPlatform>();
  typelane::Platform& platform = *desktop;
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
  auto edit_commands = [&] {
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
  };
  if (!clipboard_only) edit_commands();
  if (QGuiApplication::platformName() == QLatin1String("xcb") &&
      !QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
    QTemporaryDir dir;
    const QString copied = dir.filePath(QStringLiteral("copied.txt"));
    // Select All + Copy, ready when another program has read it all.
    // The first round keeps what xclip read, for the raw transfers; the timed
    // ones read into nothing, as the raw transfers do.
    std::vector<double> copy_ms, command_ms, raw_copy_ms;
    bool read = true;
    for (int i = 0; i <= rounds; ++i) {
      grid->setFocus();
      timer.restart();
      menu("mnuSelectAll");
      menu("mnuCopy");
      const double command = static_cast<double>(timer.nsecsElapsed()) / 1e6;
      read = RunXclip({"-selection", "clipboard", "-o"}, {}, i == 0 ? copied : QString()) && read;
      if (i == 0) continue;
      command_ms.push_back(command);
      copy_ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      raw_copy_ms.push_back(RawTransferMs(copied));
    }
    const double copy_mb = static_cast<double>(QFileInfo(copied).size()) / 1e6;
    std::printf(
        "%-34s %8.1f ms  (%.1f MB, the command %.1f ms; raw xclip transfer %.1f ms, "
        "ratio %.2f)%s\n",
        "Select All, Copy, read by xclip", Median(copy_ms), copy_mb, Median(command_ms),
        Median(raw_copy_ms), Median(copy_ms) / Median(raw_copy_ms), read ? "" : "  XCLIP FAILED");

    // 50,001 lines another program offers, pasted at A1 and painted.
    const QString lines = dir.filePath(QStringLiteral("lines.txt"));
    {
      std::ofstream out(lines.toStdString(), std::ios::binary);
      for (int r = 1; r <= 50001; ++r) {
        for (int c = 1; c <= cols; ++c) out << (c > 1 ? "\t" : "") << "p" << r << "c" << c;
        out << '\n';
      }
    }
    const double lines_mb = static_cast<double>(QFileInfo(lines).size()) / 1e6;
    std::vector<double> paste_ms, raw_paste_ms;
    bool pasted = true;
    for (int i = 0; i < rounds; ++i) {
      raw_paste_ms.push_back(RawTransferMs(lines));
      RunXclip({"-selection", "clipboard", "-i", lines});
      document.sheet.SetCell(50001, cols, "");
      grid->SelectRange({1, 1, 1, 1});
      timer.restart();
      menu("mnuPaste");
      QApplication::processEvents();
      paste_ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      pasted = pasted && document.sheet.Cell(50001, cols) == "p50001c" + std::to_string(cols);
    }
    std::printf("%-34s %8.1f ms  (%.1f MB; raw xclip transfer %.1f ms, ratio %.2f)%s\n",
                "Paste 50,001 lines from xclip", Median(paste_ms), lines_mb, Median(raw_paste_ms),
                Median(paste_ms) / Median(raw_paste_ms), pasted ? "" : "  NOT PASTED");
    grid->SelectRange({2, 1, 2, 1});
    menu("mnuColSelect");
  }
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
