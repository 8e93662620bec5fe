// Tools > Excel Import: without a running Excel the user is told so; with one,
// its cells arrive as a manual Paste puts them, the clipboard is emptied, and
// the load follows when the ImportLoad option asks for it in a sheet file.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/dialogs/SelectionDialog.h"
#include "ui/grid/EditGrid.h"
#include "ui/main/DialogHost.h"
#include "ui/main/LoadRunner.h"

using typelane::DocumentKind;
using typelane::WindowInfo;
using typelane::testing::UiFixture;
using typelane::ui::ExcelCopyResult;

namespace {

const std::string kNotRunning =
    "Excel is not currently running. Please start Excel before using the import function.";

// Confirms the selection dialog of Send Data once it is up (Orders as the
// window), and counts that it came.
void ConfirmSelection(int* shown) {
  QTimer::singleShot(0, [shown] {
    auto* dialog = qobject_cast<typelane::ui::SelectionDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ConfirmSelection(shown);
      return;
    }
    ++*shown;
    dialog->findChild<QComboBox*>(QStringLiteral("cmbWindow"))->setEditText("Orders");
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    // Refused (a value missing): the test fails on what follows, it does not hang.
    if (dialog->isVisible()) dialog->reject();
  });
}

// Counts a selection dialog that comes up at once, and cancels it.
void RefuseSelection(int* shown) {
  QTimer::singleShot(0, [shown] {
    if (auto* dialog =
            qobject_cast<typelane::ui::SelectionDialog*>(QApplication::activeModalWidget())) {
      ++*shown;
      dialog->reject();
    }
  });
}

void Import(UiFixture& f) { f.window->Action(QStringLiteral("mnuXLImport"))->trigger(); }

}  // namespace

class ExcelImportTest : public QObject {
  Q_OBJECT

 private slots:
  void WithoutExcelTheUserIsToldAndTheLoadStillFollows() {
    UiFixture f;
    f.document->sheet.SetCell(1, 1, "Acme");
    f.document->sheet.RaiseExtent(1, 1);
    f.document->command_group = "Forms 6i";
    f.window->ShowDocument(true);
    QApplication::clipboard()->setText(QStringLiteral("left alone"));
    // The toolbar button and the menu item do the same.
    f.window->findChild<QToolButton*>(QStringLiteral("icnXLImport"))->click();
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane Error"));
    QCOMPARE(f.prompter.shown[0].text, kNotRunning);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("left alone"));
    QVERIFY(!f.document->Modified());

    // Import then load: Send Data runs although nothing was imported.
    f.document->options.import_load = 1;
    f.platform.UseWindowList({WindowInfo{7, "Orders", true, false}});
    int selections = 0;
    ConfirmSelection(&selections);
    Import(f);
    f.window->Dialogs()->Runner()->WaitForLoad();
    QCOMPARE(selections, 1);
    QCOMPARE(f.prompter.shown.size(), size_t{3});
    QCOMPARE(f.prompter.shown[1].text, kNotRunning);
    QVERIFY(f.prompter.shown[2].text.starts_with("Typelane completed successfully:"));
    QCOMPARE(f.platform.ClipboardText(), std::string("Acme"));
  }

  void ExcelsCellsArriveAsAPasteAndLeaveTheClipboardEmpty() {
    UiFixture f;
    std::vector<bool> asked;
    f.window->SetExcelSource([&](bool all_cells) {
      asked.push_back(all_cells);
      QApplication::clipboard()->setText(QStringLiteral("from Excel"));
      return ExcelCopyResult::kCopied;
    });
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    // The cell-text box has the focus: the text goes there, as a paste would,
    // and from there into the current cell.
    f.window->Grid()->SetCurrentCell(2, 2);
    auto* box = f.window->findChild<QLineEdit*>(QStringLiteral("txtCellText"));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    Import(f);
    QCOMPARE(box->text(), QStringLiteral("from Excel"));
    QCOMPARE(std::string(f.document->sheet.Cell(2, 2)), std::string("from Excel"));
    QVERIFY(f.prompter.shown.empty());
    // Nothing of Excel's copy stays behind for a later Paste.
    QCOMPARE(QApplication::clipboard()->text(), QString());
    box->clear();
    f.window->Action(QStringLiteral("mnuPaste"))->trigger();
    QCOMPARE(box->text(), QString());

    // All Data: Excel selects every cell of its sheet first.
    f.document->options.data_source = 1;
    Import(f);
    QCOMPARE(asked, (std::vector<bool>{false, true}));
  }

  void NoLoadAfterAFailedCopyOrOutsideSheetFiles() {
    UiFixture f;
    f.document->options.import_load = 1;
    QApplication::clipboard()->setText(QStringLiteral("older"));
    f.window->SetExcelSource([](bool) { return ExcelCopyResult::kFailed; });
    int selections = 0;
    RefuseSelection(&selections);
    Import(f);
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane Error"));
    QVERIFY(f.prompter.shown[0].text != kNotRunning);
    QVERIFY(!f.window->Dialogs()->Runner()->Loading());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("older"));
    QVERIFY(!f.document->Modified());

    // A tab-delimited document never loads after an import.
    f.window->OpenFile(f.WriteFile("orders.txt", "a\tb\r\n"));
    QCOMPARE(f.document->Kind(), DocumentKind::kTabDelimited);
    f.document->options.import_load = 1;
    f.window->SetExcelSource([](bool) { return ExcelCopyResult::kNotRunning; });
    f.prompter.shown.clear();
    RefuseSelection(&selections);
    Import(f);
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].text, kNotRunning);
    QVERIFY(!f.window->Dialogs()->Runner()->Loading());
    QTest::qWait(50);
    QCOMPARE(selections, 0);
  }
};

QTEST_MAIN(ExcelImportTest)
#include "ExcelImportTest.moc"
