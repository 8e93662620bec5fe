// Send Data from the main window: the selection dialog, the load on its own
// thread, the summary, the progress window, our windows refusing input, and
// the selection left for resuming after a stop.

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "UiFixture.h"
#include "core/document/Document.h"
#include "core/load/SendData.h"
#include "platform/common/NoDesktopPlatform.h"
#include "platform/recording/ReadableTrace.h"
#include "ui/dialogs/PreviewWindow.h"
#include "ui/dialogs/ProgressWindow.h"
#include "ui/dialogs/SelectionDialog.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/GridRect.h"
#include "ui/main/DialogHost.h"
#include "ui/main/LoadRunner.h"

using typelane::RecordingPlatform;
using typelane::WindowInfo;
using typelane::testing::UiFixture;
using typelane::ui::GridRect;
using typelane::ui::LoadRunner;

namespace {

// A recording desktop whose first wait blocks until the test lets it go, so
// the test can act while a load is running.
class HeldPlatform : public RecordingPlatform {
 public:
  void Sleep(std::int64_t ms) override {
    {
      std::unique_lock lock(mutex_);
      if (!released_) {
        waiting_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
      }
    }
    RecordingPlatform::Sleep(ms);
  }
  bool Waiting() {
    std::lock_guard lock(mutex_);
    return waiting_;
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool waiting_ = false;
  bool released_ = false;
};

// A recording desktop where the user holds modifier keys until the test lets
// go of them. Waits take a moment of real time, so the GUI can show the wait.
class KeysHeldPlatform : public RecordingPlatform {
 public:
  std::atomic<unsigned> held{0};
  unsigned HeldModifiers() override { return held.load(); }
  void Sleep(std::int64_t ms) override {
    if (held.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    RecordingPlatform::Sleep(ms);
  }
};

// The desktop of a session without an X display.
class NoXDisplay : public typelane::NoDesktopPlatform {
 public:
  NoXDisplay() : NoDesktopPlatform("no X display (DISPLAY is not set)") {}
};

// The file's text.
std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Answers the selection dialog once it is up: the window title, then OK or
// Cancel.
void AnswerSelection(const QString& window, bool ok, bool selected_only = false) {
  QTimer::singleShot(0, [=] {
    auto* dialog = qobject_cast<typelane::ui::SelectionDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      AnswerSelection(window, ok, selected_only);
      return;
    }
    dialog->findChild<QComboBox*>(QStringLiteral("cmbWindow"))->setEditText(window);
    if (selected_only) {
      dialog->findChild<QWidget*>(QStringLiteral("dboSelection"))->setProperty("checked", true);
    }
    QTest::mouseClick(
        dialog->findChild<QPushButton*>(ok ? QStringLiteral("btnOK") : QStringLiteral("btnCancel")),
        Qt::LeftButton);
  });
}

// A summary without its time line.
QString SummaryHead(const std::string& text) {
  return QString::fromStdString(text.substr(0, text.find("\rTime:")));
}

void FillSheet(typelane::Document& document, int rows) {
  for (int r = 1; r <= rows; ++r) {
    document.sheet.SetCell(r, 1, "name " + std::to_string(r));
    document.sheet.SetCell(r, 2, "\\{DOWN}");
    document.sheet.RaiseExtent(r, 2);
  }
  document.command_group = "Forms 6i";
}

// The main window over a platform of the test's own, with the shipped command
// table and a sheet of `rows` rows, not shown yet.
template <class Platform>
struct WindowOver {
  explicit WindowOver(int rows) {
    document.SetUserFolder("");
    document.LoadCommands({});
    FillSheet(document, rows);
    window = std::make_unique<typelane::ui::MainWindow>(document, platform);
  }
  static std::string CopyCommands(const typelane::testing::TempDir& temp) {
    std::filesystem::copy_file(std::string(TYPELANE_BIN_DIR) + "commands.dat",
                               temp / "commands.dat");
    return temp.Folder();
  }

  typelane::testing::TempDir temp;
  typelane::testing::ScriptedPrompter prompter;
  typelane::MemorySettingsStore settings;
  Platform platform;
  typelane::Document document{prompter, settings, CopyCommands(temp)};
  std::unique_ptr<typelane::ui::MainWindow> window;
};

}  // namespace

class SendDataTest : public QObject {
  Q_OBJECT

 private slots:
  void LoadsTheSheetAndShowsTheSummary() {
    UiFixture f;
    FillSheet(*f.document, 3);
    f.window->ShowDocument(true);
    f.platform.UseWindowList({WindowInfo{7, "Orders - Entry", true, false}});
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    LoadRunner* runner = f.window->Dialogs()->Runner();
    runner->WaitForLoad();
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane"));
    QCOMPARE(SummaryHead(f.prompter.shown[0].text),
             QStringLiteral("Typelane completed successfully:\r\rRows:\t3"));
    QCOMPARE(f.platform.ClipboardText(), std::string("name 3"));
    QVERIFY(!f.window->Dialogs()->Progress()->isVisible());
    // The chosen window travels with the sheet.
    QCOMPARE(f.document->window_title, std::string("Orders"));
    QVERIFY(f.document->Modified());
  }

  void CancelInTheSelectionDialogSendsNothing() {
    UiFixture f;
    FillSheet(*f.document, 2);
    f.window->ShowDocument(true);
    AnswerSelection(QStringLiteral("Orders"), false);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    QVERIFY(!f.window->Dialogs()->Runner()->Loading());
    QVERIFY(f.platform.Trace().empty());
    QVERIFY(f.prompter.shown.empty());
  }

  void AStoppedLoadLeavesTheRestSelectedForTheNextOne() {
    UiFixture f;
    FillSheet(*f.document, 4);
    f.window->ShowDocument(true);
    // Esc before the first cell of row 3 (two checks a cell).
    f.platform.PressEscAtCheck(9);
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    f.window->Dialogs()->Runner()->WaitForLoad();
    QCOMPARE(SummaryHead(f.prompter.shown.back().text),
             QStringLiteral("Data loading terminated at user request:\r\rRows:\t2"));
    QCOMPARE(f.window->Grid()->Selection(), (GridRect{1, 3, 2, 4}));
    QVERIFY(f.window->statusBar()->currentMessage().contains(QStringLiteral("row 3")));

    // The next Send Data loads the selected cells: rows 3 and 4.
    f.platform.PressEscAtCheck(0);
    f.platform.ClearTrace();
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    f.window->Dialogs()->Runner()->WaitForLoad();
    QCOMPARE(SummaryHead(f.prompter.shown.back().text),
             QStringLiteral("Typelane completed successfully:\r\rRows:\t2"));
    std::string clips;
    for (const std::string& line : f.platform.Trace()) {
      if (line.rfind("clip ", 0) == 0) clips += line.substr(5) + ";";
    }
    QCOMPARE(clips, std::string("name 3;name 4;"));
  }

  void AnErrorIsShownInsteadOfTheSummary() {
    UiFixture f;
    FillSheet(*f.document, 2);
    f.document->sheet.SetCell(2, 1, "*ML(x,1)");
    f.window->ShowDocument(true);
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    f.window->Dialogs()->Runner()->WaitForLoad();
    QCOMPARE(f.prompter.shown.back().title, std::string("Typelane Error"));
    QCOMPARE(f.window->Grid()->Selection(), (GridRect{1, 2, 2, 2}));
    // The window that was in front before the load is in front again.
    QCOMPARE(f.platform.Trace().back(), std::string("foreground"));
    QCOMPARE(f.platform.GetForegroundWindow(), RecordingPlatform::kInitialForeground);
    QVERIFY(!f.window->Dialogs()->Progress()->isVisible());
  }

  void EveryLoadWritesALogTheSummaryOffersToOpen() {
    UiFixture f;
    FillSheet(*f.document, 3);
    f.document->sheet.SetCell(3, 1, "*ML(x,1)");
    f.document->SetUserFolder(f.temp.Folder() + "data/");
    f.window->ShowDocument(true);
    f.prompter.answers.push_back(typelane::Answer::kOpen);
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    LoadRunner* runner = f.window->Dialogs()->Runner();
    runner->WaitForLoad();
    // A sheet never saved: "Untitled" and the time, in the data folder's logs.
    const std::string path = runner->LastLogPath();
    QVERIFY(path.rfind(f.temp.Folder() + "data/logs/Untitled ", 0) == 0);
    const auto& shown = f.prompter.shown.back();
    QCOMPARE(shown.title, std::string("Typelane Error"));
    // OK (Enter, Esc) only closes the summary; Open opens the log.
    QCOMPARE(shown.buttons, typelane::Buttons::kOkOpen);
    QCOMPARE(shown.lines.back(), "Load log: " + path);
    QCOMPARE(f.opened_urls.size(), size_t{1});
    QCOMPARE(f.opened_urls[0], QUrl::fromLocalFile(QString::fromStdString(path)));
    // Rows 1 and 2 loaded, row 3 failed at its first cell.
    QStringList lines = QString::fromStdString(ReadText(path)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QStringLiteral("Row\tStarted\tCells sent\tOutcome"));
    for (int row = 1; row <= 3; ++row) {
      const QStringList fields = lines[row].split(QLatin1Char('\t'));
      QCOMPARE(fields.size(), 4);
      QCOMPARE(fields[0], QString::number(row));
      QVERIFY(
          QDateTime::fromString(fields[1], QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).isValid());
      QCOMPARE(fields[2], row < 3 ? QStringLiteral("2") : QStringLiteral("0"));
      QCOMPARE(fields[3],
               row < 3
                   ? QStringLiteral("loaded")
                   : QStringLiteral(
                         "'x' is not a valid integer value (the load stopped at row 3, cell 1)"));
    }

    // A target that is not there leaves no log.
    f.platform.UseWindowList({});
    AnswerSelection(QStringLiteral("Nowhere"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    runner->WaitForLoad();
    QCOMPARE(f.prompter.shown.back().buttons, typelane::Buttons::kOk);
    QVERIFY(runner->LastLogPath().empty());
    QCOMPARE(std::distance(std::filesystem::directory_iterator(f.temp.Folder() + "data/logs"),
                           std::filesystem::directory_iterator()),
             1);
  }

  void HeldModifiersHoldTheLoadAndTheProgressWindowSaysSo() {
    WindowOver<KeysHeldPlatform> f(2);
    f.window->ShowDocument(true);
    f.window->show();
    auto* progress = f.window->Dialogs()->Progress();
    f.platform.held = typelane::kCtrlHeld;
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    LoadRunner* runner = f.window->Dialogs()->Runner();
    QVERIFY(runner->Loading());
    QTRY_COMPARE(progress->WaitText(),
                 typelane::ui::ProgressWindow::HeldKeysText(typelane::kCtrlHeld));
    QVERIFY(progress->WaitText().startsWith(QStringLiteral("Waiting for Ctrl to be released")));
    QTRY_VERIFY(
        f.window->statusBar()->currentMessage().startsWith(QStringLiteral("Waiting for Ctrl")));
    // Nothing has been sent while Ctrl is down, not even the activation.
    for (const std::string& line : f.platform.Trace()) QCOMPARE(line, std::string("wait 50"));
    f.platform.held = 0;
    runner->WaitForLoad();
    QCOMPARE(SummaryHead(f.prompter.shown.back().text),
             QStringLiteral("Typelane completed successfully:\r\rRows:\t2"));
    QVERIFY(progress->WaitText().isEmpty());
    QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
  }

  void WaitNoticesShowInTheProgressWindowAndTheStatusBar() {
    for (const bool progress_bar : {true, false}) {
      WindowOver<HeldPlatform> f(2);
      f.document.options.progress_bar = progress_bar;
      f.window->ShowDocument(true);
      f.window->show();
      auto* progress = f.window->Dialogs()->Progress();
      auto* label = progress->findChild<QLabel*>(QStringLiteral("lblWait"));
      QVERIFY(label != nullptr);
      AnswerSelection(QStringLiteral("Orders"), true);
      f.window->Action(QStringLiteral("mnuSendData"))->trigger();
      QTRY_VERIFY(f.platform.Waiting());
      // The load tells of its wait from its own thread.
      const std::string busy = "Waiting while \"Orders\" is busy";
      std::thread([&] { progress->Feed().WaitNotice(busy); }).join();
      QTRY_COMPARE(f.window->statusBar()->currentMessage(), QString::fromStdString(busy));
      if (progress_bar) {
        QTRY_VERIFY(label->isVisible());
        QCOMPARE(label->text(), QString::fromStdString(busy));
        QVERIFY(!progress->findChild<QWidget*>(QStringLiteral("prgRow"))->isVisible());
      } else {
        QVERIFY(!progress->isVisible());
      }
      std::thread([&] { progress->Feed().WaitNotice(""); }).join();
      QTRY_VERIFY(f.window->statusBar()->currentMessage().isEmpty());
      if (progress_bar) {
        QTRY_VERIFY(!label->isVisible());
        QVERIFY(progress->findChild<QWidget*>(QStringLiteral("prgRow"))->isVisible());
      }
      // A wait the load did not end itself goes with the load.
      std::thread([&] { progress->Feed().WaitNotice(busy); }).join();
      QTRY_COMPARE(f.window->statusBar()->currentMessage(), QString::fromStdString(busy));
      f.platform.Release();
      f.window->Dialogs()->Runner()->WaitForLoad();
      QCOMPARE(SummaryHead(f.prompter.shown.back().text),
               QStringLiteral("Typelane completed successfully:\r\rRows:\t2"));
      QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
      QVERIFY(progress->WaitText().isEmpty());
    }
  }

  void ADesktopWeCannotDriveSaysSoAtSendData() {
    WindowOver<NoXDisplay> f(2);
    f.window->ShowDocument(true);
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    f.window->Dialogs()->Runner()->WaitForLoad();
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane Error"));
    QCOMPARE(f.prompter.shown[0].text,
             std::string("Typelane cannot drive this desktop: no X display (DISPLAY is not set)"));
    QVERIFY(!f.window->Dialogs()->Runner()->LastResult().completed);
  }

  void PreviewOfAHugeSheetKeepsItsBeginningAndCountsTheRest() {
    // More steps than the preview shows: a sheet of pastes (a data cell that
    // starts with two backslashes, one with a tab in it) and one of keys alone.
    for (const bool pastes : {true, false}) {
      UiFixture f;
      const int rows = 12000;
      for (int r = 1; r <= rows; ++r) {
        if (pastes) {
          f.document->sheet.SetCell(r, 1, "\\\\back" + std::to_string(r));
          f.document->sheet.SetCell(r, 2, r % 2 ? "x\ty" : "\\{DOWN}");
        } else {
          f.document->sheet.SetCell(r, 1, r % 3 ? "\\%fo" : "\\{TAB 2}");
          f.document->sheet.SetCell(r, 2, "SAVE");
        }
      }
      f.document->sheet.RaiseExtent(rows, 2);
      f.document->command_group = "Forms 6i";
      f.document->window_title = "Orders";
      f.window->ShowDocument(true);
      const QString text = f.window->Dialogs()->Runner()->PreviewText();

      // What the trace of the same load reads as, every step kept.
      typelane::SendRequest request;
      request.window_title = "Orders";
      request.group = "Forms 6i";
      request.progress_bar = false;
      typelane::RecordingPlatform desktop;
      typelane::ReadableTrace all;
      desktop.SetTraceSink(&all);
      typelane::SendData(desktop, f.document->sheet, f.document->commands, f.document->delays,
                         request);
      const std::vector<std::string>& steps = all.Steps();
      QVERIFY(steps.size() > 20000);
      const QStringList lines = text.split(QLatin1Char('\n'));
      const qsizetype first = lines.indexOf(QStringLiteral("Activate window \"Orders\""));
      QVERIFY(first > 0);
      for (size_t i = 0; i < 20000; ++i) {
        QCOMPARE(lines[first + qsizetype(i)], QString::fromStdString(steps[i]));
      }
      if (pastes) {
        // A paste shows the text the clipboard gets, a tab as its picture.
        QVERIFY(lines.contains(QStringLiteral("Paste \"\\back1\"  (100 ms)")));
        QVERIFY(text.contains(QStringLiteral("Paste \"x\u2409y\"")));
      }
      QCOMPARE(lines[first + 20000],
               QStringLiteral("... and %1 more steps").arg(steps.size() - 20000));
      QVERIFY(text.contains(QStringLiteral("(%1 ms)\n").arg(all.TotalMs())));
      if (pastes) {
        QVERIFY(text.contains(QStringLiteral("Paste \"\\back1\"")));
        QVERIFY(text.contains(QStringLiteral("Paste \"x") + QChar(0x2409) + QStringLiteral("y\"")));
      }
    }
  }

  void PreviewLoadShowsTheStepsAndSendsNothing() {
    UiFixture f;
    f.document->sheet.SetCell(1, 1, "Acme");
    f.document->sheet.SetCell(1, 2, "SAVE");
    f.document->sheet.SetCell(1, 3, "\\^a{DOWN}");
    f.document->sheet.SetCell(2, 1, "Zenith");
    f.document->sheet.RaiseExtent(2, 3);
    f.document->command_group = "Forms 6i";
    f.document->window_title = "Orders";
    f.document->auto_tab = true;
    f.window->ShowDocument(true);
    QString text;
    QTimer::singleShot(0, [&] {
      auto* preview = qobject_cast<typelane::ui::PreviewWindow*>(QApplication::activeModalWidget());
      if (preview == nullptr) return;
      text = preview->Text();
      preview->accept();
    });
    f.window->Action(QStringLiteral("mnuPreviewLoad"))->trigger();
    const typelane::DelaySettings& d = f.document->delays;
    QCOMPARE(d.key_hold, 50);
    QCOMPARE(text, QStringLiteral("Rows 1 to 2, columns 1 to 3\n"
                                  "Into \"Orders\", command group \"Forms 6i\", Auto Tab on\n"
                                  "Nothing is sent: this is what Send Data would do.\n\n"
                                  "Activate window \"Orders\"\n"
                                  "Wait 300 ms\n"
                                  "Paste \"Acme\"  (100 ms)\n"
                                  "Keys Tab  (50 ms)\n"
                                  "Wait 250 ms\n"
                                  "Keys Ctrl+S  (100 ms)\n"
                                  "Wait 250 ms\n"
                                  "Keys Ctrl+A, Ctrl+Down  (150 ms)\n"
                                  "Wait 250 ms\n"
                                  "Paste \"Zenith\"  (100 ms)\n"
                                  "Keys Tab  (50 ms)\n"
                                  "Wait 300 ms\n"
                                  "Bring back the window that was in front\n"
                                  "\nTotal: 0:0:1 (1900 ms)\n"));
    QVERIFY(f.platform.Trace().empty());
    QVERIFY(f.prompter.shown.empty());
    // Offered where Send Data is.
    QVERIFY(f.window->Action(QStringLiteral("mnuPreviewLoad"))->isEnabled());
    QCOMPARE(f.window->Action(QStringLiteral("mnuPreviewLoad"))->text(),
             QStringLiteral("P&review Load"));
  }

  void OurWindowsRefuseInputWhileALoadRuns() {
    WindowOver<HeldPlatform> f(2);
    f.window->ShowDocument(true);
    f.window->show();
    LoadRunner* runner = f.window->Dialogs()->Runner();
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    QVERIFY(runner->Loading());
    QTRY_VERIFY(f.platform.Waiting());
    QVERIFY(f.window->Dialogs()->Progress()->isVisible());
    // Typing into the grid does nothing, and closing waits for the load.
    f.window->Grid()->SetCurrentCell(1, 1);
    QTest::keyClicks(f.window->Grid(), QStringLiteral("zz"));
    QCOMPARE(f.document.sheet.Cell(1, 1), std::string("name 1"));
    f.window->close();
    QVERIFY(f.window->isVisible());
    // The load is told to stop; it ends between two keys.
    QVERIFY(f.platform.StopRequested());
    f.platform.Release();
    runner->WaitForLoad();
    QVERIFY(!f.window->Dialogs()->Progress()->isVisible());
    QVERIFY(!f.window->isVisible());
    // It stopped after the activation's wait: no cell went out, no summary.
    QCOMPARE(f.platform.Trace(), (std::vector<std::string>{"activate Orders", "wait 250"}));
    // No summary: only the question closing asks (the chosen window changed
    // the sheet), unanswered here, so nothing was saved.
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].text, std::string("Do you want to save the current spreadsheet?"));
  }

  void FileExitDuringALoadStopsItAndThenAsksAboutSaving() {
    WindowOver<HeldPlatform> f(2);
    f.window->ShowDocument(true);
    f.window->MarkModified();
    f.window->show();
    LoadRunner* runner = f.window->Dialogs()->Runner();
    AnswerSelection(QStringLiteral("Orders"), true);
    f.window->Action(QStringLiteral("mnuSendData"))->trigger();
    QTRY_VERIFY(f.platform.Waiting());
    // The question about saving waits until the load has stopped: our windows
    // take no input during it, so nobody could answer it.
    f.prompter.answers.push_back(typelane::Answer::kNo);
    f.window->Action(QStringLiteral("mnuExit"))->trigger();
    QVERIFY(f.prompter.shown.empty());
    QVERIFY(f.platform.StopRequested());
    f.platform.Release();
    runner->WaitForLoad();
    QTRY_VERIFY(!f.window->isVisible());
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].text, std::string("Do you want to save the current spreadsheet?"));
  }
};

QTEST_MAIN(SendDataTest)
#include "SendDataTest.moc"
