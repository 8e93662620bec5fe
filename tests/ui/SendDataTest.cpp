// Send Data from the main window: the selection dialog, the load on its own
// thread, the summary, the progress window, our windows refusing input, and
// the selection left for resuming after a stop.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/dialogs/TfrmProgress.h"
#include "ui/dialogs/TfrmSelection.h"
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

// Answers the selection dialog once it is up: the window title, then OK or
// Cancel.
void AnswerSelection(const QString& window, bool ok, bool selected_only = false) {
  QTimer::singleShot(0, [=] {
    auto* dialog = qobject_cast<typelane::ui::TfrmSelection*>(QApplication::activeModalWidget());
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
    // Esc during the first cell of row 3.
    f.platform.PressEscAtCheck(5);
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
  }

  void OurWindowsRefuseInputWhileALoadRuns() {
    typelane::testing::TempDir temp;
    std::filesystem::copy_file(std::string(TYPELANE_BIN_DIR) + "commands.dat",
                               temp / "commands.dat");
    typelane::testing::ScriptedPrompter prompter;
    typelane::MemorySettingsStore settings;
    HeldPlatform platform;
    typelane::Document document(prompter, settings, temp.Folder());
    document.SetUserFolder("");
    document.LoadCommands({});
    FillSheet(document, 2);
    typelane::ui::MainWindow window(document, platform);
    window.ShowDocument(true);
    window.show();
    LoadRunner* runner = window.Dialogs()->Runner();
    AnswerSelection(QStringLiteral("Orders"), true);
    window.Action(QStringLiteral("mnuSendData"))->trigger();
    QVERIFY(runner->Loading());
    QTRY_VERIFY(platform.Waiting());
    QVERIFY(window.Dialogs()->Progress()->isVisible());
    // Typing into the grid does nothing, and closing waits for the load.
    window.Grid()->SetCurrentCell(1, 1);
    QTest::keyClicks(window.Grid(), QStringLiteral("zz"));
    QCOMPARE(document.sheet.Cell(1, 1), std::string("name 1"));
    window.close();
    QVERIFY(window.isVisible());
    platform.Release();
    runner->WaitForLoad();
    QVERIFY(!window.Dialogs()->Progress()->isVisible());
    QVERIFY(!window.isVisible());
  }
};

QTEST_MAIN(SendDataTest)
#include "SendDataTest.moc"
