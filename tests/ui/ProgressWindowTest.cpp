// The progress window: never the focus, bars fed from another thread through
// the feed and read by the window's timer, Tools > Progress Bar.

#include <QProgressBar>
#include <QTest>
#include <thread>

#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/dialogs/ProgressWindow.h"
#include "ui/main/DialogHost.h"

using typelane::Answer;
using typelane::Buttons;
using typelane::testing::UiFixture;
using typelane::ui::ProgressWindow;

namespace {

// Counts the events posted to a window.
class EventCounter : public QObject {
 public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Timer) ++count;
    return false;
  }
};

}  // namespace

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void NeverTakesTheFocus() {
    ProgressWindow progress;
    QCOMPARE(progress.windowTitle(), QStringLiteral("Typelane Progress"));
    QVERIFY(progress.testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(progress.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QVERIFY(!(progress.windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(progress.size(), QSize(377, 45));
    auto* col = progress.findChild<QProgressBar*>(QStringLiteral("prgCol"));
    QCOMPARE(col->maximum(), 100);
    QVERIFY(progress.findChild<QProgressBar*>(QStringLiteral("prgRow")) != nullptr);
  }

  void BarsFollowALoadOnAnotherThreadWithoutFloodingTheQueue() {
    ProgressWindow progress;
    progress.ShowProgress();
    EventCounter counter;
    progress.installEventFilter(&counter);
    for (QProgressBar* bar : progress.findChildren<QProgressBar*>())
      bar->installEventFilter(&counter);
    typelane::LoadObserver& feed = progress.Feed();
    // A fast load of three rows of a thousand cells, on its own thread.
    std::thread load([&feed] {
      feed.ProgressShown();
      for (int row = 0; row < 3; ++row) {
        for (int col = 1; col <= 1000; ++col) feed.ColumnProgress(col * 100 / 1000);
        feed.RowProgress((row + 1) * 100 / 3, row + 1);
      }
      feed.ColumnProgress(40);
    });
    load.join();
    // The load posted nothing: the window learns only on its timer.
    QCOMPARE(counter.count, 0);
    QTRY_COMPARE(progress.RowValue(), 100);
    QCOMPARE(progress.ColumnValue(), 40);
    QCOMPARE(progress.Feed().RowsLoaded(), 3);
    // Each load starts from 0, wherever the last one stopped.
    progress.hide();
    progress.ShowProgress();
    QCOMPARE(progress.RowValue(), 0);
    QCOMPARE(progress.ColumnValue(), 0);
  }

  void ClosingOnlyHidesItAndItComesBackWhereItWas() {
    ProgressWindow progress;
    progress.ShowProgress();
    progress.move(40, 60);
    const QPoint where = progress.pos();
    progress.close();
    QVERIFY(!progress.isVisible());
    progress.ShowProgress();
    QVERIFY(progress.isVisible());
    QCOMPARE(progress.pos(), where);
  }

  void MinimisingHidesItAndTheNextLoadShowsItAgain() {
    // Window managers that draw a minimise button on every window (openbox)
    // must not lose the window for the rest of the run.
    ProgressWindow progress;
    progress.ShowProgress();
    progress.move(40, 60);
    const QPoint where = progress.pos();
    progress.setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!progress.isVisible());
    progress.ShowProgress();
    QVERIFY(progress.isVisible());
    QVERIFY(!progress.isMinimized());
    QCOMPARE(progress.pos(), where);
    // Maximised or full screen, it goes back to its one size and stays shown.
    for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
      progress.setWindowState(state);
      QTRY_VERIFY(progress.windowState() == Qt::WindowNoState);
      QVERIFY(progress.isVisible());
      QCOMPARE(progress.size(), QSize(377, 45));
    }
  }

  void ToolsProgressBarPlacesTheWindow() {
    UiFixture f;
    ProgressWindow& progress = *f.window->Dialogs()->Progress();
    f.window->Action(QStringLiteral("mnuProgress"))->trigger();
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].text,
             std::string("Position the progress bar where you would like it to appear during "
                         "loads.\rWhen you are finished either leave it where it is or close it "
                         "and it will return to that location when drawn."));
    QVERIFY(progress.isVisible());
    progress.hide();

    // With the option off: Cancel does nothing, OK turns it on.
    f.document->options.progress_bar = false;
    f.prompter.answers = {Answer::kCancel};
    f.window->Action(QStringLiteral("mnuProgress"))->trigger();
    QCOMPARE(f.prompter.shown.back().buttons, Buttons::kOkCancel);
    QCOMPARE(f.prompter.shown.back().text,
             std::string("The Progress Bar functionality is not currently turned on.\rClick OK "
                         "to turn this facility on or Cancel to close this message."));
    QVERIFY(!progress.isVisible());
    QVERIFY(!f.document->options.progress_bar);
    f.prompter.answers = {Answer::kOk, Answer::kOk};
    f.window->Action(QStringLiteral("mnuProgress"))->trigger();
    QVERIFY(f.document->options.progress_bar);
    QVERIFY(progress.isVisible());
  }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
