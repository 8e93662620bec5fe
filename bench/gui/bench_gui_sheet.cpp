// How the window copes with a large sheet: a 200,000-row x 20-column
// tab-delimited file. Prints the time from the program's start to the first
// paint of the grid showing the sheet, the time to scroll to the end and paint
// there, and the peak memory above an empty window's; beside them the time
// `typelane-cli convert` takes for the same file (the real program, run as a
// child process, after the window's figures so the peak memory is the
// window's). Figures only; nothing is asserted.
//
// usage: bench_gui_sheet [ROWS [COLS]]   (QT_QPA_PLATFORM=offscreen by default)

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "../BenchPrompter.h"
#include "../ProcStatus.h"
#include "core/common/FileText.h"
#include "core/document/Document.h"
#include "core/files/TabDelimited.h"
#include "core/settings/SettingsStore.h"
#include "platform/recording/RecordingPlatform.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/MainWindow.h"

namespace {

// Counts paints of a widget.
class PaintWatch : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

double WaitForPaint(PaintWatch& watch, QElapsedTimer& timer) {
  const int before = watch.paints;
  while (watch.paints == before) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int cols = argc > 2 ? std::atoi(argv[2]) : 20;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  const auto dir =
      std::filesystem::temp_directory_path() / ("typelane-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "big.txt").string();
  {
    std::ofstream out(path, std::ios::binary);
    for (int r = 1; r <= rows; ++r) {
      for (int c = 1; c <= cols; ++c) {
        out << "r" << r << "c" << c;
        if (c < cols) out << '\t';
      }
      out << "\r\n";
    }
  }
  const double file_mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::printf("sheet: %d rows x %d columns, %.1f MB tab-delimited\n", rows, cols, file_mb);

  // From here on as the program starts: the application, the document, the
  // window, then the file named on the command line.
  const auto start = std::chrono::steady_clock::now();
  QApplication app(argc, argv);
  typelane::BenchPrompter prompter(typelane::Answer::kNo);
  typelane::MemorySettingsStore settings;
  typelane::RecordingPlatform platform;

  typelane::Document document(prompter, settings, "");
  document.SetUserFolder("");
  typelane::ui::MainWindow window(document, platform);
  window.resize(1280, 900);
  PaintWatch watch;
  window.Grid()->viewport()->installEventFilter(&watch);
  QElapsedTimer timer;
  timer.start();
  window.show();
  WaitForPaint(watch, timer);
  const double window_ms = MsSince(start);
  const long empty_kb = typelane::StatusKb("VmRSS");

  timer.restart();
  window.OpenFile(path);
  const double open_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  const double open_paint_ms = WaitForPaint(watch, timer);
  const double first_paint_ms = MsSince(start);
  std::printf("empty window painted:         %8.1f ms after start\n", window_ms);
  std::printf("open in the window:           %8.1f ms\n", open_ms);
  std::printf("open to first grid paint:     %8.1f ms\n", open_paint_ms);
  std::printf("start to first grid paint:    %8.1f ms  (target < 2000 ms)\n", first_paint_ms);

  timer.restart();
  window.Grid()->scrollToBottom();
  window.Grid()->horizontalScrollBar()->setValue(window.Grid()->horizontalScrollBar()->maximum());
  const double scroll_ms = WaitForPaint(watch, timer);
  std::printf("scroll to the end, paint:     %8.1f ms\n", scroll_ms);

  const long peak_kb = typelane::StatusKb("VmHWM");
  const double above_mb = static_cast<double>(peak_kb - empty_kb) / 1024.0;
  std::printf("empty window RSS:             %8.1f MB\n", static_cast<double>(empty_kb) / 1024.0);
  std::printf("peak above empty window:      %8.1f MB = %.2f x the file  (target <= 3 x)\n",
              above_mb, above_mb / file_mb);

  // typelane-cli convert of the same file: the program beside this one, or,
  // where it is not built, the same work in this process.
  double convert_ms = 0;
  const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/typelane-cli");
  if (QFileInfo(cli).isExecutable()) {
    QProcess convert;
    const auto convert_start = std::chrono::steady_clock::now();
    convert.start(cli, {QStringLiteral("convert"), QString::fromStdString(path),
                        QString::fromStdString((dir / "copy.txt").string())});
    convert.waitForFinished(-1);
    convert_ms = MsSince(convert_start);
    if (convert.exitCode() != 0) {
      std::printf("typelane-cli convert failed: %s\n", convert.readAllStandardError().constData());
    }
    std::printf("typelane-cli convert:         %8.1f ms\n", convert_ms);
  } else {
    typelane::Document plain(prompter, settings, "");
    plain.SetUserFolder("");
    const auto convert_start = std::chrono::steady_clock::now();
    plain.OpenFile(path);
    typelane::TextOut out;
    typelane::WriteTabDelimited(plain.sheet, out);
    typelane::WriteFileAtomic((dir / "copy.txt").string(), out.Text());
    convert_ms = MsSince(convert_start);
    std::printf("convert in process (no cli):  %8.1f ms\n", convert_ms);
  }
  std::printf("first paint / convert:        %8.2f x  (target <= 3 x)\n",
              first_paint_ms / convert_ms);

  document.SetModified(false);
  std::filesystem::remove_all(dir);
  return 0;
}
