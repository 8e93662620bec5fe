// The main window: menus, toolbar values, document kinds, the file flow, the
// command line, help.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "DialogTestSupport.h"
#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/grid/EditGrid.h"
#include "ui/grid/SheetModel.h"

using typelane::Answer;
using typelane::DocumentKind;
using typelane::FileChoice;
using typelane::testing::NamedChild;
using typelane::testing::UiFixture;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  static bool Enabled(UiFixture& f, const char* name) {
    if (auto* a = f.window->Action(QString::fromLatin1(name))) return a->isEnabled();
    return NamedChild<QWidget>(*f.window, name)->isEnabled();
  }
  // Types into a cell of the grid as a user does: the first key opens the
  // in-place editor, Return commits it.
  static void TypeIntoCell(UiFixture& f, int row, int col, const QString& text) {
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.window->Grid()->setFocus();
    f.window->Grid()->SetCurrentCell(row, col);
    QTest::keyClicks(f.window->Grid(), text.left(1));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->objectName(), QStringLiteral("grdTypelaneEditor"));
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
  }

 private slots:
  void MenusCarryCaptionsAndShortcuts() {
    UiFixture f;
    struct Item {
      const char* name;
      const char* caption;
      QKeySequence keys;
    };
    const Item items[] = {
        {"mnuOpen", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"mnuSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"mnuCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"mnuCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"mnuPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"mnuFillDown", "&Down", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"mnuFillRight", "&Right", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"mnuSelectAll", "Select All", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"mnuEditTitles", "&Edit", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {"mnuKeystroke", "&Keystroke(s)", QKeySequence(Qt::CTRL | Qt::Key_K)},
        {"mnuCopyPaste", "&Copy and Paste", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"mnuContentsLocal", "&Contents (Local)", QKeySequence(Qt::Key_F1)},
        {"mnuExit", "E&xit", QKeySequence()},
        {"mnuConvert", "C&onvert to...", QKeySequence()},
        {"pckdeleteComment", "&Delete Comment", QKeySequence()},
        {"pckSourceSelect", "Select All", QKeySequence()},
    };
    for (const Item& item : items) {
      QAction* action = f.window->Action(QString::fromLatin1(item.name));
      QVERIFY2(action != nullptr, item.name);
      QCOMPARE(action->text(), QString::fromLatin1(item.caption));
      // Only the literal key: Ctrl+V must not also bring Shift+Insert.
      QCOMPARE(action->shortcuts(),
               item.keys.isEmpty() ? QList<QKeySequence>() : QList<QKeySequence>{item.keys});
    }
    QCOMPARE(NamedChild<QToolButton>(*f.window, "icnSendData")->toolTip(),
             QStringLiteral("Send data to form"));
    QCOMPARE(NamedChild<QComboBox>(*f.window, "cmbGroup")->toolTip(),
             QStringLiteral("Command group name"));
    QVERIFY(!f.window->Action(QStringLiteral("mnuHideSource"))->isVisible());
    QVERIFY(f.window->findChild<QStatusBar*>(QStringLiteral("StatusBar")) != nullptr);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Veltrax Typelane"));
    QCOMPARE(NamedChild<QLabel>(*f.window, "StatusBarSize")->text(),
             QStringLiteral(" Data size: 0 Cols, 0 Rows"));
    QVERIFY(NamedChild<QLabel>(*f.window, "StatusBarTime")
                ->text()
                .startsWith(QStringLiteral("Time: ")));
    QCOMPARE(typelane::ui::MainWindow::ClockText(9, 5), QStringLiteral("Time: 9:05"));
    QCOMPARE(typelane::ui::MainWindow::ClockText(14, 30), QStringLiteral("Time: 14:30"));
    QCOMPARE(typelane::ui::MainWindow::ClockText(0, 0), QStringLiteral("Time: 0:00"));
  }

  void SaveIsOfferedOnlyWhileModified() {
    UiFixture f;
    f.window->show();
    QVERIFY(!Enabled(f, "mnuSave"));
    QVERIFY(!Enabled(f, "icnSave"));
    TypeIntoCell(f, 3, 2, QStringLiteral("abc"));
    QTRY_VERIFY(!f.window->Grid()->Editing());
    QVERIFY(f.document->Modified());
    QVERIFY(Enabled(f, "mnuSave"));
    QVERIFY(Enabled(f, "icnSave"));
    QCOMPARE(f.document->sheet.Cell(3, 2), "abc");
    QCOMPARE(NamedChild<QLabel>(*f.window, "StatusBarSize")->text(),
             QStringLiteral(" Data size: 2 Cols, 3 Rows"));

    const std::string path = f.temp / "typed.tyl";
    f.prompter.files.push_back(FileChoice{path, 1});
    f.window->Action(QStringLiteral("mnuSave"))->trigger();
    QCOMPARE(f.prompter.dialogs.size(), size_t{1});
    QCOMPARE(f.prompter.dialogs[0].kind, std::string("save"));
    QVERIFY(!Enabled(f, "mnuSave"));
    QVERIFY(!Enabled(f, "icnSave"));
    QCOMPARE(f.window->windowTitle(),
             QStringLiteral("Veltrax Typelane ") + QString::fromStdString(path));
    // Read back, the file has the typed cell.
    f.window->NewSheet();
    QCOMPARE(f.document->sheet.Cell(3, 2), "");
    f.window->OpenFile(path);
    QCOMPARE(f.document->sheet.Cell(3, 2), "abc");

    QVERIFY(!Enabled(f, "mnuSave"));
    // The toolbar values are the document's: each change is one to save.
    NamedChild<QLineEdit>(*f.window, "txtDescription")->setFocus();
    QTest::keyClicks(NamedChild<QLineEdit>(*f.window, "txtDescription"), QStringLiteral("Orders"));
    QCOMPARE(f.document->description, "Orders");
    QVERIFY(Enabled(f, "mnuSave"));
  }

  void OpenAndSaveRoundTripThroughTheWindow() {
    UiFixture f;
    f.window->show();
    const std::string sheet = UiFixture::ExampleSheet();
    const std::string path = f.WriteFile("orders.tyl", sheet);
    f.prompter.files.push_back(FileChoice{path, 1});
    f.window->Action(QStringLiteral("mnuOpen"))->trigger();
    QCOMPARE(f.window->windowTitle(),
             QStringLiteral("Veltrax Typelane ") + QString::fromStdString(path));
    QCOMPARE(NamedChild<QComboBox>(*f.window, "cmbWindow")->currentText(),
             QStringLiteral("Orders"));
    QCOMPARE(NamedChild<QComboBox>(*f.window, "cmbGroup")->currentText(),
             QStringLiteral("Forms 6i"));
    QVERIFY(NamedChild<QCheckBox>(*f.window, "chkAutoTab")->isChecked());
    QCOMPARE(NamedChild<QLineEdit>(*f.window, "txtDescription")->text(),
             QStringLiteral("Sales orders keyed from the December price list"));
    auto* model = f.window->Model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Customer"));
    QCOMPARE(model->data(model->index(1, 0)).toString(), QStringLiteral("Birch & Co"));
    QCOMPARE(model->rowCount(), 4 + 100);
    QCOMPARE(model->columnCount(), 8 + 100);
    // Widths of the file are the grid's.
    QCOMPARE(f.window->Grid()->columnWidth(0), 120);
    QVERIFY(!Enabled(f, "mnuSave"));

    // A file this program saved comes back byte for byte after open and save.
    f.window->Action(QStringLiteral("mnuSaveAs"))->trigger();  // cancelled: nothing changes
    QCOMPARE(f.document->FileName(), path);
    const std::string first = f.temp / "first.tyl";
    f.prompter.files.push_back(FileChoice{first, 1});
    f.window->Action(QStringLiteral("mnuSaveAs"))->trigger();
    f.window->OpenFile(first);
    const std::string copy = f.temp / "copy.tyl";
    f.prompter.files.push_back(FileChoice{copy, 1});
    f.window->Action(QStringLiteral("mnuSaveAs"))->trigger();
    QCOMPARE(UiFixture::ReadFile(copy), UiFixture::ReadFile(first));

    // An edit in the grid reaches the file.
    TypeIntoCell(f, 2, 2, QStringLiteral("Whitby"));
    QTRY_COMPARE(f.document->sheet.Cell(2, 2), std::string_view("Whitby"));
    f.window->Action(QStringLiteral("mnuSave"))->trigger();
    QVERIFY(UiFixture::ReadFile(copy).find("Birch & Co\tWhitby\tStandard") != std::string::npos);
    QCOMPARE(f.window->Action(QStringLiteral("mnuFile1"))->text(),
             QStringLiteral("&1 ") +
                 QString::fromStdString(copy).replace(QLatin1Char('&'), QStringLiteral("&&")));
    QCOMPARE(f.window->Action(QStringLiteral("mnuFile2"))->text(),
             QStringLiteral("&2 ") + QString::fromStdString(first));
    QCOMPARE(f.window->Action(QStringLiteral("mnuFile3"))->text(),
             QStringLiteral("&3 ") + QString::fromStdString(path));
    QVERIFY(!f.window->Action(QStringLiteral("mnuFile4"))->isVisible());

    // A recent entry opens its file.
    f.window->Action(QStringLiteral("mnuFile3"))->trigger();
    QCOMPARE(f.document->FileName(), path);
    QCOMPARE(model->data(model->index(1, 1)).toString(), QStringLiteral("York"));
  }

  void DocumentKindSwitchesTheNamedControls() {
    UiFixture f;
    f.window->show();
    const char* sheet_only[] = {"mnuConvert",  "pckConvert",  "mnuCommands", "icnCommands",
                                "mnuSendData", "icnSendData", "mnuDelays",   "icnDelays",
                                "mnuProgress", "cmbGroup",    "chkAutoTab",  "cmbWindow"};
    for (const char* name : sheet_only) QVERIFY2(Enabled(f, name), name);
    QVERIFY(Enabled(f, "txtDescription"));
    QVERIFY(Enabled(f, "mnuColInsert"));
    QVERIFY(!Enabled(f, "mnuViewSource"));
    QVERIFY(!Enabled(f, "icnViewSource"));
    QCOMPARE(f.window->Grid()->CornerText(), QStringLiteral("Title"));

    // Tab-delimited text: no titles, comments, description or sending.
    const std::string text = f.WriteFile("plain", "a\tb\r\nc\td\r\n");
    f.window->OpenFile(text);
    QCOMPARE(f.document->Kind(), DocumentKind::kTabDelimited);
    for (const char* name : sheet_only) QVERIFY2(!Enabled(f, name), name);
    for (const char* name : {"mnuTitles", "pckTitles", "txtDescription", "mnuAddComment",
                             "pckdeleteComment", "mnuViewSource"}) {
      QVERIFY2(!Enabled(f, name), name);
    }
    QVERIFY(Enabled(f, "mnuColInsert"));
    QVERIFY(Enabled(f, "pckColDelete"));
    QCOMPARE(f.window->Grid()->CornerText(), QString());
    // Tab-delimited cells keep the grid's own colours.
    QVERIFY(!f.window->Model()->data(f.window->Model()->index(0, 0), Qt::BackgroundRole).isValid());

    // New returns to a sheet file.
    f.window->NewSheet();
    for (const char* name : sheet_only) QVERIFY2(Enabled(f, name), name);
    QCOMPARE(f.window->Grid()->CornerText(), QStringLiteral("Title"));
  }

  void CommandLinePathSplitAtBlanksIsJoinedOnFirstActivation() {
    UiFixture f;
    const std::string path = f.WriteFile("my orders.tyl", UiFixture::ExampleSheet());
    const std::string folder = f.temp.Path();
    f.window->SetCommandLine({folder + "/my", "orders.tyl"});
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTRY_COMPARE(f.window->windowTitle(),
                 QStringLiteral("Veltrax Typelane ") + QString::fromStdString(path));
    QCOMPARE(f.document->sheet.LastRow(), 4);
    // A name relative to the current folder is completed to a full path.
    {
      const QString cwd = QDir::currentPath();
      QDir::setCurrent(QString::fromStdString(folder));
      UiFixture g;
      g.window->SetCommandLine({"my", "orders.tyl"});
      g.window->OpenCommandLineFile();
      QDir::setCurrent(cwd);
      QCOMPARE(g.document->FileName(), path);
      QCOMPARE(g.document->RecentFiles()[0], path);
    }
    // A later activation does not open it again.
    f.document->sheet.SetCell(1, 1, "changed");
    f.window->OpenCommandLineFile();
    QCOMPARE(f.document->sheet.Cell(1, 1), "changed");
    QVERIFY(f.prompter.shown.empty());
  }

  void CloseAsksAndStaysOpenWhenTheSaveDoesNotHappen() {
    UiFixture f;
    f.window->show();
    TypeIntoCell(f, 1, 1, QStringLiteral("x"));
    QTRY_VERIFY(f.document->Modified());
    // Yes, then the save dialog is cancelled: the changes must not be lost.
    f.prompter.answers.push_back(Answer::kYes);
    QVERIFY(!f.window->close());
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.prompter.shown.back().text,
             std::string("Do you want to save the current spreadsheet?"));
    QCOMPARE(f.prompter.shown.back().buttons, typelane::Buttons::kYesNo);
    // No: closes, and the recent files are stored.
    f.prompter.answers.push_back(Answer::kNo);
    QVERIFY(f.window->close());
    QVERIFY(f.settings.KeyExists(typelane::kRecentFilesKey));
  }

  void HelpOpensTheLocalPageAndTheAboutBoxShowsTheVersion() {
    UiFixture f;
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QTest::keyClick(f.window.get(), Qt::Key_F1);
    QCOMPARE(f.opened_urls.size(), size_t{1});
    QVERIFY(f.opened_urls[0].isLocalFile());
    QCOMPARE(f.opened_urls[0].toLocalFile(), QString::fromStdString(f.temp / "help/index.htm"));
    // The page is shipped next to the program.
    QVERIFY(QFile::exists(QStringLiteral(TYPELANE_BIN_DIR "help/index.htm")));
    QTest::mouseClick(f.window->findChild<QToolButton*>(QStringLiteral("icnHelp")), Qt::LeftButton);
    QCOMPARE(f.opened_urls.size(), size_t{2});
  }

  void CellTextBoxFollowsAndEditsTheCurrentCell() {
    UiFixture f;
    f.window->show();
    f.window->OpenFile(f.WriteFile("orders.tyl", UiFixture::ExampleSheet()));
    f.window->Grid()->SetCurrentCell(3, 2);
    auto* box = NamedChild<QLineEdit>(*f.window, "txtCellText");
    QCOMPARE(NamedChild<QLabel>(*f.window, "lblCell")->text(), QStringLiteral("R3:C2"));
    QCOMPARE(box->text(), QStringLiteral("Hull"));
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("Goole"));
    QCOMPARE(f.document->sheet.Cell(3, 2), "Goole");
    QVERIFY(f.document->Modified());
    // Tab moves to the next cell; past the last column to the next row.
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(f.window->Grid()->CurrentCol(), 3);
    QCOMPARE(box->text(), QStringLiteral("Rush"));
    // Typing beyond the extent raises it.
    f.window->Grid()->SetCurrentCell(9, 12);
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("z"));
    QCOMPARE(f.document->sheet.LastRow(), 9);
    QCOMPARE(f.document->sheet.LastCol(), 12);
    QCOMPARE(f.window->Model()->rowCount(), 109);
  }

  void WindowListComesFromThePlatform() {
    UiFixture f;
    f.platform.UseWindowList({{1, "Orders", true, false},
                              {2, "  Invoices ", true, false},
                              {3, "Hidden", false, false},
                              {5, "Veltrax Typelane", true, true},
                              {4, "", true, false}});
    auto* combo = NamedChild<QComboBox>(*f.window, "cmbWindow");
    combo->setEditText(QStringLiteral("Ord"));
    f.document->SetModified(false);
    combo->showPopup();
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    QCOMPARE(items, (QStringList{QStringLiteral("Invoices"), QStringLiteral("Orders")}));
    // Filling the list keeps the typed title.
    QCOMPARE(combo->currentText(), QStringLiteral("Ord"));
    combo->hidePopup();
  }

  void ConvertChangesTheSelectedCells() {
    UiFixture f;
    f.window->show();
    f.window->OpenFile(f.WriteFile("orders.tyl", UiFixture::ExampleSheet()));
    f.window->Grid()->SelectRange({1, 1, 2, 2});
    f.window->Action(QStringLiteral("mnuNoAutoTab"))->trigger();
    QCOMPARE(f.document->sheet.Cell(1, 1), "&Acme Ltd");
    QCOMPARE(f.document->sheet.Cell(2, 2), "&York");
    QCOMPARE(f.document->sheet.Cell(3, 1), "Castle Foods");
    QVERIFY(f.document->Modified());
    QCOMPARE(f.window->Model()->data(f.window->Model()->index(0, 0)).toString(),
             QStringLiteral("&Acme Ltd"));
  }

  void RecordingOpensAsAPlaybackSheetWithItsSourceView() {
    UiFixture f;
    f.window->show();
    const std::string recording = UiFixture::ReadFile(std::string(TYPELANE_SOURCE_DIR) +
                                                      "/tests/data/playback/three_records.fpb");
    f.WriteFile("droplists.dat", "");
    f.window->OpenFile(f.WriteFile("categories.fpb", recording));
    QCOMPARE(f.document->Kind(), DocumentKind::kPlayback);
    QVERIFY(f.prompter.shown.empty());
    for (const char* name : {"mnuColInsert", "mnuColDelete", "pckColInsert", "pckColDelete",
                             "mnuSendData", "icnSendData", "cmbWindow", "chkAutoTab"}) {
      QVERIFY2(!Enabled(f, name), name);
    }
    for (const char* name :
         {"mnuTitles", "txtDescription", "mnuAddComment", "mnuViewSource", "icnViewSource"}) {
      QVERIFY2(Enabled(f, name), name);
    }
    // No blank columns beyond the recorded fields.
    QCOMPARE(f.window->Model()->columnCount(), f.document->sheet.LastCol());

    QTest::mouseClick(NamedChild<QToolButton>(*f.window, "icnViewSource"), Qt::LeftButton);
    auto* source = NamedChild<QPlainTextEdit>(*f.window, "MemSource");
    QVERIFY(source->isVisible());
    QVERIFY(f.window->Grid()->isHidden());
    QVERIFY(source->toPlainText().startsWith(QStringLiteral("# Forms 6.0 Event File\n")));
    QVERIFY(source->toPlainText().contains(QStringLiteral("\"PENS\"")));
    QVERIFY(source->isReadOnly());
    QVERIFY(NamedChild<QToolButton>(*f.window, "icnHideSource")->isVisible());
    QVERIFY(NamedChild<QToolButton>(*f.window, "icnViewSource")->isHidden());
    QVERIFY(f.window->Action(QStringLiteral("mnuHideSource"))->isVisible());

    f.window->Action(QStringLiteral("mnuHideSource"))->trigger();
    QVERIFY(source->isHidden());
    QVERIFY(source->toPlainText().isEmpty());
    QVERIFY(f.window->Grid()->isVisible());
    QVERIFY(NamedChild<QToolButton>(*f.window, "icnViewSource")->isVisible());

    // Back to a sheet file: the source view is not offered.
    f.window->NewSheet();
    QVERIFY(!Enabled(f, "mnuViewSource"));
    QCOMPARE(f.window->Model()->columnCount(), 100);
  }

  void MenuShortcutsWinOverTheInPlaceEditor() {
    UiFixture f;
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.window->Grid()->setFocus();
    f.window->Grid()->SetCurrentCell(2, 2);
    QTest::keyClicks(f.window->Grid(), QStringLiteral("a"));
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr && editor->hasFocus());
    QTest::keyClicks(editor, QStringLiteral("b"));
    QSignalSpy keystroke(f.window->Action(QStringLiteral("mnuKeystroke")), &QAction::triggered);
    // On X11 a line edit takes Ctrl+K (delete to the end) for itself. Here the
    // menu gets it, and the command sees the text being typed.
    editor->setCursorPosition(1);
    QTest::keyClick(editor, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(keystroke.count(), 1);
    QCOMPARE(f.document->sheet.Cell(2, 2), "\\ab");
    QVERIFY(!f.window->Grid()->Editing());

    // Saving while a cell is being edited saves what was typed.
    QTest::keyClicks(f.window->Grid(), QStringLiteral("x"));
    QTest::keyClicks(qobject_cast<QLineEdit*>(QApplication::focusWidget()), QStringLiteral("y"));
    const std::string path = f.temp / "typed.txt";
    f.prompter.files.push_back(FileChoice{path, 2});
    QTest::keyClick(qobject_cast<QLineEdit*>(QApplication::focusWidget()), Qt::Key_S,
                    Qt::ControlModifier);
    QCOMPARE(QString::fromStdString(UiFixture::ReadFile(path)), QStringLiteral("\t\r\n\txy\r\n"));

    // Keys no menu uses stay the editor's.
    QTest::keyClicks(f.window->Grid(), QStringLiteral("p"));
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QTest::keyClicks(editor, QStringLiteral("q"));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(editor->text() != QStringLiteral("pq"));
  }

  void HeadingEditorKeepsTitlesOnCancelAndTakesThemOnOk() {
    UiFixture f;
    f.window->show();
    f.window->OpenFile(f.WriteFile("orders.tyl", UiFixture::ExampleSheet()));
    f.window->Grid()->SetCurrentCell(2, 3);
    int current_column = -1;
    f.window->SetTitleEditorHook([&](QDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Typelane Heading Editor"));
      auto* titles = dialog->findChild<QTableWidget*>(QStringLiteral("grdTitles"));
      current_column = titles->currentColumn();
      auto* editor = titles->findChild<QLineEdit*>();
      QVERIFY(editor != nullptr);
      QTest::keyClicks(editor, QStringLiteral("X"));
      QMetaObject::invokeMethod(dialog, "reject");
    });
    f.window->Action(QStringLiteral("mnuEditTitles"))->trigger();
    QCOMPARE(current_column, 2);
    QCOMPARE(f.document->sheet.Cell(0, 3), "Order Type");
    // A key typed in the editor counts as a change, even when cancelled.
    QVERIFY(f.document->Modified());

    f.window->SetTitleEditorHook([](QDialog* dialog) {
      auto* titles = dialog->findChild<QTableWidget*>(QStringLiteral("grdTitles"));
      auto* editor = titles->findChild<QLineEdit*>();
      editor->selectAll();
      QTest::keyClicks(editor, QStringLiteral("Kind"));
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    f.window->Action(QStringLiteral("mnuEditTitles"))->trigger();
    QCOMPARE(f.document->sheet.Cell(0, 3), "Kind");
    QCOMPARE(f.document->sheet.Cell(0, 2), "Ship To");
    QCOMPARE(f.window->Model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Kind"));
  }

  void CommentsShowOnHoverAndAreEditedInTheNoteBox() {
    UiFixture f;
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.window->OpenFile(f.WriteFile("orders.tyl", UiFixture::ExampleSheet()));
    auto* box = NamedChild<QPlainTextEdit>(*f.window, "memCellComment");
    auto* grid = f.window->Grid();
    // The example's note column carries a comment in row 1.
    const QRect cell = grid->visualRect(f.window->Model()->index(0, 5));
    QCursor::setPos(grid->viewport()->mapToGlobal(cell.center()));
    f.window->Tick();
    QVERIFY(box->isVisible());
    QVERIFY(box->toPlainText().startsWith(
        QStringLiteral("The note field takes no Tab after it:\nthe &")));
    QCOMPARE(f.window->CommentCell(), std::pair(1, 6));
    // Opens right of the cell, at its top.
    QCOMPARE(box->geometry().left(),
             grid->viewport()->mapTo(f.window->centralWidget(), cell.topRight()).x() + 1);
    // Moving within the cell keeps it; to another cell hides it.
    QTest::mouseMove(grid->viewport(), cell.center() + QPoint(3, 0));
    QVERIFY(box->isVisible());
    QTest::mouseMove(grid->viewport(), grid->visualRect(f.window->Model()->index(2, 2)).center());
    QVERIFY(box->isHidden());
    QVERIFY(!f.document->Modified());

    // Edited in the box: leaving it stores the text, with CR LF line breaks.
    f.window->ShowCommentBox(2, 3, true);
    QVERIFY(box->hasFocus());
    QTest::keyClicks(box, QStringLiteral("rush"));
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, QStringLiteral("order"));
    grid->setFocus();
    QVERIFY(box->isHidden());
    QCOMPARE(f.document->sheet.Info(2, 3)->comment, std::string("rush\r\norder"));
    QVERIFY(f.document->Modified());
    QVERIFY(f.window->Model()
                ->data(f.window->Model()->index(1, 2), typelane::ui::SheetModel::kHasCommentRole)
                .toBool());
    // Opened and left without typing: nothing stored.
    f.window->ShowCommentBox(4, 4, true);
    grid->setFocus();
    QCOMPARE(f.document->sheet.Info(4, 4), nullptr);
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
