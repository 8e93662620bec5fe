// The commands editor: edits with backups, Cancel, OK, Make Default, Load
// Defaults and the empty row at the end.

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "DialogTestSupport.h"
#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/dialogs/CommandsEditor.h"
#include "ui/main/DialogHost.h"

using typelane::Answer;
using typelane::Buttons;
using typelane::testing::ClearCell;
using typelane::testing::NamedChild;
using typelane::testing::TypeIntoCell;
using typelane::testing::UiFixture;
using typelane::ui::CommandsEditor;

class CommandsDialogTest : public QObject {
  Q_OBJECT

 private:
  static CommandsEditor& Shown(UiFixture& f) {
    f.window->Action(QStringLiteral("mnuCommands"))->trigger();
    CommandsEditor& c = *f.window->Dialogs()->Commands();
    c.activateWindow();
    if (!QTest::qWaitForWindowActive(&c)) qWarning("commands window not active");
    return c;
  }
  static QString GroupBoxText(UiFixture& f) {
    return f.window->findChild<QComboBox*>(QStringLiteral("cmbGroup"))->currentText();
  }

 private slots:
  void ShowsTheTableWithItsHeaderOnTheFirstCommand() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    QVERIFY(c.isVisible());
    QVERIFY(!c.isModal());
    QCOMPARE(c.windowTitle(), QStringLiteral("Commands"));
    QVERIFY(!NamedChild<QPushButton>(c, "btnCancel")->isEnabled());
    QVERIFY(NamedChild<QPushButton>(c, "btnOK")->isDefault());
    QCOMPARE(NamedChild<QPushButton>(c, "btnSave")->text(), QStringLiteral("Make Default"));
    QCOMPARE(NamedChild<QPushButton>(c, "btnLoad")->text(), QStringLiteral("Load Defaults"));
    QTableView* grid = c.Grid();
    QCOMPARE(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Forms 6i"));
    QCOMPARE(grid->currentIndex(), grid->model()->index(0, 0));
    QCOMPARE(grid->currentIndex().data().toString(), QStringLiteral("SAVE"));
    QCOMPARE(grid->columnWidth(1), 72);
    // The header is not a row to edit, and the last row is empty.
    const int rows = grid->model()->rowCount();
    QCOMPARE(rows, f.document->commands.RowCount() - 1);
    QCOMPARE(grid->model()->index(rows - 1, 0).data().toString(), QString());
  }

  void CancelPutsEveryEditedCellBack() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    TypeIntoCell(c.Grid(), 0, 2, QStringLiteral("\\^w"));
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^w"));
    QVERIFY(c.HasBackup(1, 2));
    QVERIFY(NamedChild<QPushButton>(c, "btnCancel")->isEnabled());
    TypeIntoCell(c.Grid(), 1, 0, QStringLiteral("FORWARD"));
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnCancel"), Qt::LeftButton);
    QVERIFY(!c.isVisible());
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^s"));
    QCOMPARE(f.document->commands.Cell(2, 0), std::string("NEXT FIELD"));
    QVERIFY(!f.document->Modified());

    // Closing the window is a Cancel too.
    Shown(f);
    TypeIntoCell(c.Grid(), 0, 2, QStringLiteral("x"));
    c.close();
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^s"));
  }

  void OkKeepsTheEditsMarksTheSheetAndPacks() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    const int rows = f.document->commands.RowCount();
    // Typing into the empty last row adds another below it.
    TypeIntoCell(c.Grid(), rows - 2, 0, QStringLiteral("HELLO"));
    TypeIntoCell(c.Grid(), rows - 2, 2, QStringLiteral("hello there"));
    QCOMPARE(f.document->commands.RowCount(), rows + 1);
    QVERIFY(f.document->commands.Cell(rows, 0).empty());
    // A name left empty is removed by OK.
    ClearCell(c.Grid(), 1, 0);
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnOK"), Qt::LeftButton);
    QVERIFY(!c.isVisible());
    QVERIFY(f.document->Modified());
    QCOMPARE(f.document->commands.RowCount(), rows);
    QCOMPARE(f.document->commands.TranslateCommand("hello", "Forms 6i"),
             std::string("hello there"));
    QVERIFY(!f.document->commands.IsCommand("NEXT FIELD"));
    // The per-command delays follow the table.
    bool listed = false;
    for (const auto& row : f.document->delays.CommandDelays()) {
      listed |= row.name == "HELLO";
      QVERIFY(row.name != "NEXT FIELD");
    }
    QVERIFY(listed);
  }

  void OkWithoutEditsLeavesTheSheetUnmodified() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    f.document->delays.MutableCommandDelays().push_back({"GONE", "1"});
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnOK"), Qt::LeftButton);
    QVERIFY(!f.document->Modified());
    for (const auto& row : f.document->delays.CommandDelays()) QVERIFY(row.name != "GONE");
  }

  void MakeDefaultWritesCommandsDat() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    TypeIntoCell(c.Grid(), 0, 2, QStringLiteral("\\^k"));
    f.prompter.answers.push_back(Answer::kNo);
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnSave"), Qt::LeftButton);
    QVERIFY(UiFixture::ReadFile(f.temp / "commands.dat").find("\\^k") == std::string::npos);
    f.prompter.answers.push_back(Answer::kYes);
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnSave"), Qt::LeftButton);
    QCOMPARE(f.prompter.shown.back().text,
             std::string("Please confirm you want to make these commands your defaults."));
    QCOMPARE(f.prompter.shown.back().buttons, Buttons::kYesNo);
    const std::string file = UiFixture::ReadFile(f.temp / "commands.dat");
    QVERIFY(file.find("SAVE\tSave (commit) the form's changes\t\\^k\t") != std::string::npos);
    QVERIFY(!NamedChild<QPushButton>(c, "btnCancel")->isEnabled());
    // Nothing left to undo.
    c.CancelCommands();
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^k"));
  }

  void LoadDefaultsReplacesTheTableAndClearsTheGroup() {
    UiFixture f;
    f.document->command_group = "Forms 6i";
    f.window->ShowDocument(false);
    CommandsEditor& c = Shown(f);
    TypeIntoCell(c.Grid(), 0, 2, QStringLiteral("changed"));
    f.prompter.answers.push_back(Answer::kYes);
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnLoad"), Qt::LeftButton);
    QCOMPARE(f.prompter.shown.back().text,
             std::string("Please confirm you want to overwrite these commands with the defaults."));
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^s"));
    QVERIFY(!NamedChild<QPushButton>(c, "btnCancel")->isEnabled());
    QCOMPARE(GroupBoxText(f), QString());
    QVERIFY(f.document->command_group.empty());
    // Closing does not bring the previous table back; OK marks the sheet.
    c.CancelCommands();
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^s"));
    Shown(f);
    c.ApplyCommands();
    QVERIFY(f.document->Modified());
  }

  void LoadDefaultsWithoutCommandsDatKeepsTheTable() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    TypeIntoCell(c.Grid(), 0, 2, QStringLiteral("mine"));
    std::filesystem::remove(f.temp / "commands.dat");
    f.prompter.answers.push_back(Answer::kYes);
    QTest::mouseClick(NamedChild<QPushButton>(c, "btnLoad"), Qt::LeftButton);
    // The program's message, then the file and the system's reason.
    const std::string& text = f.prompter.shown.back().text;
    QVERIFY(text.starts_with("Failed to open the commands file - no default commands loaded.\r"));
    QVERIFY(text.find("commands.dat") != std::string::npos);
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("mine"));
    QCOMPARE(f.document->commands.Cell(2, 0), std::string("NEXT FIELD"));
    // The edit can still be undone.
    QVERIFY(NamedChild<QPushButton>(c, "btnCancel")->isEnabled());
    c.CancelCommands();
    QCOMPARE(f.document->commands.Cell(1, 2), std::string("\\^s"));
  }

  void EscLeavesTheWindowOpen() {
    UiFixture f;
    CommandsEditor& c = Shown(f);
    QTest::keyClick(c.Grid(), Qt::Key_Escape);
    QVERIFY(c.isVisible());
  }
};

QTEST_MAIN(CommandsDialogTest)
#include "CommandsDialogTest.moc"
