// Mouse click capture: typing *ML or *MR into a cell of a sheet file asks the
// user to point at the place to click and completes the cell with the
// pointer's position on the desktop.

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/common/QtPrompter.h"
#include "ui/grid/EditGrid.h"

using typelane::Answer;
using typelane::Buttons;
using typelane::testing::UiFixture;

namespace {

const std::vector<std::string> kCaptureLines = {
    "Position the mouse where you want the click to happen.",
    "Then press Enter to accept the position or Esc to cancel the process.",
    "Do not click on the OK button or the programmed mouse click will occur where the OK button "
    "is."};

// Opens the in-place editor of a cell with the first character, types the
// rest; returns the editor (still open).
QLineEdit* StartTyping(UiFixture& f, int row, int col, const QString& text) {
  f.window->show();
  f.window->activateWindow();
  if (!QTest::qWaitForWindowActive(f.window.get())) qWarning("main window not active");
  f.window->Grid()->setFocus();
  f.window->Grid()->SetCurrentCell(row, col);
  QTest::keyClicks(f.window->Grid(), text.left(1));
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (editor == nullptr) qFatal("no in-place editor");
  QTest::keyClicks(editor, text.mid(1));
  return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

QString CellText(UiFixture& f, int row, int col) {
  return QString::fromStdString(std::string(f.document->sheet.Cell(row, col)));
}

QString CellTextBox(UiFixture& f) {
  return f.window->findChild<QLineEdit*>(QStringLiteral("txtCellText"))->text();
}

}  // namespace

class MouseCaptureTest : public QObject {
  Q_OBJECT

 private slots:
  void OkTakesThePointerPositionFromTheDesktop() {
    UiFixture f;
    f.platform.SetCursorPos(412, 88);
    f.prompter.answers = {Answer::kOk};
    QLineEdit* editor = StartTyping(f, 2, 3, QStringLiteral("*ml"));
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane"));
    QCOMPARE(f.prompter.shown[0].buttons, Buttons::kOkCancel);
    QCOMPARE(f.prompter.shown[0].lines, kCaptureLines);
    // Joined by single CRs.
    QCOMPARE(std::count(f.prompter.shown[0].text.begin(), f.prompter.shown[0].text.end(), '\r'), 2);
    // The letters keep the case typed; typing goes on after the position.
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->text(), QStringLiteral("*ml(412,88)"));
    QCOMPARE(CellTextBox(f), QStringLiteral("*ml(412,88)"));
    QTest::keyClicks(editor, QStringLiteral("7"));
    QCOMPARE(editor->text(), QStringLiteral("*ml(412,88)7"));
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(CellText(f, 2, 3), QStringLiteral("*ml(412,88)"));
    QVERIFY(f.document->Modified());
    QCOMPARE(f.prompter.shown.size(), size_t{1});
  }

  void EscKeepsTheThreeCharactersAndEachMatchAsksAgain() {
    UiFixture f;
    f.platform.SetCursorPos(5, 6);
    // Esc: *MR stays as typed; the X that follows never asks.
    f.prompter.answers = {Answer::kCancel};
    QLineEdit* editor = StartTyping(f, 1, 1, QStringLiteral("*MRX"));
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(editor->text(), QStringLiteral("*MRX"));
    // Back down to *MR: a new capture, answered with Esc again.
    f.prompter.answers = {Answer::kCancel};
    QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(f.prompter.shown.size(), size_t{2});
    QCOMPARE(editor->text(), QStringLiteral("*MR"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(CellText(f, 1, 1), QStringLiteral("*MR"));

    // A completed text edited back down to *ML asks once more.
    f.prompter.answers = {Answer::kOk, Answer::kOk};
    editor = StartTyping(f, 3, 1, QStringLiteral("*ML"));
    QCOMPARE(editor->text(), QStringLiteral("*ML(5,6)"));
    f.platform.SetCursorPos(1280, 1024);
    for (int i = 0; i < 5; ++i) QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(f.prompter.shown.size(), size_t{4});
    QCOMPARE(editor->text(), QStringLiteral("*ML(1280,1024)"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(CellText(f, 3, 1), QStringLiteral("*ML(1280,1024)"));
  }

  void OnlySheetFilesCapture() {
    UiFixture f;
    f.window->OpenFile(f.WriteFile("orders.txt", "a\tb\r\n"));
    QCOMPARE(f.document->Kind(), typelane::DocumentKind::kTabDelimited);
    f.prompter.shown.clear();
    QLineEdit* editor = StartTyping(f, 2, 1, QStringLiteral("*ML"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(CellText(f, 2, 1), QStringLiteral("*ML"));
    QVERIFY(f.prompter.shown.empty());
  }

  // The real message box takes the focus from the in-place editor while it is
  // up; Enter in it accepts, and the user still types on in the cell after
  // the completed text.
  void TheRealMessageBoxAnswersEnterAndLeavesTheCellInEditing() {
    UiFixture f;
    typelane::ui::QtPrompter real;
    struct Forward : typelane::testing::ScriptedPrompter {
      typelane::Prompter* to = nullptr;
      Answer Message(std::string_view title, std::string_view text, Buttons buttons) override {
        ScriptedPrompter::Message(title, text, buttons);
        return to->Message(title, text, buttons);
      }
    };
    Forward forward;
    forward.to = &real;
    typelane::Document document(forward, f.settings, f.temp.Folder());
    document.SetUserFolder("");
    typelane::ui::MainWindow window(document, f.platform);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    f.platform.SetCursorPos(640, 400);
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      QTest::keyClick(box, Qt::Key_Return);
    });
    window.Grid()->setFocus();
    window.Grid()->SetCurrentCell(4, 2);
    QTest::keyClicks(window.Grid(), QStringLiteral("*"));
    const QPointer<QLineEdit> typing = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(typing != nullptr);
    QTest::keyClicks(typing, QStringLiteral("mr"));
    QCOMPARE(forward.shown.size(), size_t{1});
    // The main window takes the focus back from the closed box.
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    // The same editor: the box never ended the editing.
    QCOMPARE(editor, typing.data());
    QCOMPARE(editor->text(), QStringLiteral("*mr(640,400)"));
    QTest::keyClicks(editor, QStringLiteral("!"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(QString::fromStdString(std::string(document.sheet.Cell(4, 2))),
                 QStringLiteral("*mr(640,400)!"));
    document.SetModified(false);
  }
};

QTEST_MAIN(MouseCaptureTest)
#include "MouseCaptureTest.moc"
