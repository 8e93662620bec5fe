// A sheet file whose one cell holds a whole document (50 MB by default), in
// the window: the peak memory of opening and showing it, the time an arrow
// key takes to move onto, off and along it with the repaint that follows,
// and a paste of the same text into one cell. Figures only; nothing is
// asserted.
//
// usage: bench_gui_bigcell [MEGABYTES]   (QT_QPA_PLATFORM=offscreen by default)

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../BenchPrompter.h"
#include "../ProcStatus.h"
#include "core/document/Document.h"
#include "core/settings/SettingsStore.h"
#include "platform/recording/RecordingPlatform.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 50;
  const size_t cell_bytes = static_cast<size_t>(megabytes) * 1000 * 1000;

  // The sheet: the big cell at (1, 1), small ones beside and below it.
  const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/bench_gui_bigcell.tyl";
  std::string big(cell_bytes, 'x');
  for (size_t i = 0; i < big.size(); i += 10) big[i] = static_cast<char>('a' + (i / 10) % 26);
  {
    std::ofstream file(path, std::ios::binary);
    file << "begindelays\r\nDataDelay=0\r\nenddelays\r\nbeginheader\r\nData\tNext\r\nendheader\r\n"
            "beginother\r\nWindow=W\r\nendother\r\nbegindata\r\n"
         << big << "\tsmall\r\nrow2\tSAVE\r\nenddata\r\n";
  }
  const long file_kb = static_cast<long>(big.size() / 1024);
  big.clear();
  big.shrink_to_fit();

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
  QApplication::processEvents();
  const long before_kb = typelane::StatusKb("VmHWM");

  QElapsedTimer timer;
  timer.start();
  window.OpenFile(path);
  grid->viewport()->repaint();
  QApplication::processEvents();
  const double open_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  const long open_kb = typelane::StatusKb("VmHWM");
  std::printf("file: %ld kB, a cell of %zu bytes\n", file_kb, cell_bytes);
  std::printf("open and show: %8.1f ms, peak %ld kB (%.2fx the file; %ld kB before)\n", open_ms,
              open_kb, static_cast<double>(open_kb) / static_cast<double>(file_kb), before_kb);

  // Arrow keys around the big cell, each with the repaint it causes.
  grid->setFocus();
  grid->SetCurrentCell(2, 2);
  QApplication::processEvents();
  const int keys[] = {Qt::Key_Left, Qt::Key_Up,    Qt::Key_Right, Qt::Key_Left, Qt::Key_Down,
                      Qt::Key_Up,   Qt::Key_Right, Qt::Key_Down,  Qt::Key_Left, Qt::Key_Up};
  std::vector<double> ms;
  for (int round = 0; round < 5; ++round) {
    for (int key : keys) {
      timer.restart();
      QTest::keyClick(grid, static_cast<Qt::Key>(key));
      grid->viewport()->repaint();
      QApplication::processEvents();
      ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
  }
  std::sort(ms.begin(), ms.end());
  std::printf("arrow key with repaint (%zu keys): median %6.2f ms, slowest %6.2f ms\n", ms.size(),
              ms[ms.size() / 2], ms.back());
  std::printf("peak after the keys: %ld kB\n", typelane::StatusKb("VmHWM"));

  // The same text pasted into one cell (the clipboard as another program
  // would offer it).
  std::string pasted(cell_bytes, 'y');
  QApplication::clipboard()->setText(QString::fromLatin1(pasted.data(), qsizetype(pasted.size())));
  pasted.clear();
  pasted.shrink_to_fit();
  QApplication::processEvents();
  const long clip_kb = typelane::StatusKb("VmRSS");
  grid->SetCurrentCell(3, 1);
  QApplication::processEvents();
  timer.restart();
  window.Action(QStringLiteral("mnuPaste"))->trigger();
  grid->viewport()->repaint();
  QApplication::processEvents();
  std::printf("paste %zu bytes into one cell: %8.1f ms, peak %ld kB (%ld kB held before it)\n",
              cell_bytes, static_cast<double>(timer.nsecsElapsed()) / 1e6,
              typelane::StatusKb("VmHWM"), clip_kb);
  std::printf("cell (3, 1) holds %zu bytes\n", document.sheet.Cell(3, 1).size());
  document.SetModified(false);
  std::remove(path.c_str());
  return 0;
}
