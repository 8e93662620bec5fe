// The Qt prompter: message boxes with the program's titles and buttons, Qt's
// own file dialogs with the core's file types.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/TempDir.h"
#include "ui/common/FileFilters.h"
#include "ui/common/QtPrompter.h"

using typelane::Answer;
using typelane::Buttons;
using typelane::ui::NameFilters;
using typelane::ui::QtPrompter;

namespace {

// Runs fn on the first top-level widget of type T once it is shown.
template <typename T>
void WhenShown(std::function<void(T*)> fn) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, fn] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* t = qobject_cast<T*>(w); t != nullptr && t->isVisible()) {
        timer->stop();
        timer->deleteLater();
        fn(t);
        return;
      }
    }
  });
  timer->start(20);
}

}  // namespace

class PrompterTest : public QObject {
  Q_OBJECT

 private slots:
  void FileTypesBecomeNameFilters() {
    QCOMPARE(NameFilters("Typelane File (*.tyl)|*.tyl|Tab Delimited File (*.*)|*.*|Form File "
                         "(*.fpb)|*.fpb"),
             (QStringList{QStringLiteral("Typelane File (*.tyl)"),
                          QStringLiteral("Tab Delimited File (*)"),
                          QStringLiteral("Form File (*.fpb)")}));
    QCOMPARE(NameFilters("Typelane File (*.tyl)|*.TYL|Tab delimited file (*.*)|*.*"),
             (QStringList{QStringLiteral("Typelane File (*.tyl)"),
                          QStringLiteral("Tab delimited file (*)")}));
    QCOMPARE(NameFilters("Text|*.txt;*.tab"), QStringList{QStringLiteral("Text (*.txt *.tab)")});
  }

  void MessagesShowTheTitleTextAndButtons() {
    QtPrompter prompter;
    QString title;
    QString text;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      title = box->windowTitle();
      text = box->text();
      QCOMPARE(box->buttons().size(), 3);
      box->button(QMessageBox::No)->click();
    });
    QCOMPARE(prompter.Message("Typelane", "Line one\rline two", Buttons::kYesNoCancel),
             Answer::kNo);
    QCOMPARE(title, QStringLiteral("Typelane"));
    QCOMPARE(text, QStringLiteral("Line one\nline two"));
    WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(prompter.Message("Typelane", "Close?", Buttons::kYesNoCancel), Answer::kCancel);
    // Yes/No: Esc and closing do not answer No; only a button does.
    WhenShown<QMessageBox>([](QMessageBox* box) {
      QTest::keyClick(box, Qt::Key_Escape);
      box->close();
      QVERIFY(box->isVisible());
      box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(prompter.Message("Typelane", "Save?", Buttons::kYesNo), Answer::kYes);
  }

  void AMessageGoesOverAWindowThatStaysOnTop() {
    // The options dialog stays on top: a box that belonged to the main window
    // would open behind it, and the user would never see the failure it tells.
    QWidget main_window;
    QWidget on_top(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    QtPrompter prompter;
    prompter.SetParent(&main_window);
    main_window.show();
    on_top.show();
    on_top.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&on_top));
    QWidget* parent = nullptr;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      parent = box->parentWidget();
      box->button(QMessageBox::Ok)->click();
    });
    prompter.Message("Typelane Error", "Failed to save the option defaults.", Buttons::kOk);
    QCOMPARE(parent, &on_top);
    // An ordinary window of ours leaves the box with the main window.
    on_top.setWindowFlags(Qt::Window);
    on_top.show();
    on_top.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&on_top));
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      parent = box->parentWidget();
      box->button(QMessageBox::Ok)->click();
    });
    prompter.Message("Typelane", "Done.", Buttons::kOk);
    QCOMPARE(parent, &main_window);
  }

  void CtrlCCopiesTheWholeMessage() {
    QtPrompter prompter;
    QApplication::clipboard()->clear();
    WhenShown<QMessageBox>([](QMessageBox* box) {
      QTest::keyClick(box->button(QMessageBox::Ok), Qt::Key_C, Qt::ControlModifier);
      QVERIFY(box->isVisible());
      QTest::keyClick(box->button(QMessageBox::Ok), Qt::Key_Return);
    });
    QCOMPARE(
        prompter.Message("Typelane", "Typelane completed successfully:\r\rRows:\t3\rTime:\t0:0:5",
                         Buttons::kOk),
        Answer::kOk);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("---------------------------\nTypelane\n---------------------------\n"
                            "Typelane completed successfully:\n\nRows:\t3\nTime:\t0:0:5\n"
                            "---------------------------\nOK   \n---------------------------\n"));
  }

  // Enter presses the default button, Esc the escape button, for every button
  // set; on a Yes/No question Esc and the close button do nothing at all, so
  // they can never throw unsaved changes away.
  void EnterAndEscFollowTheButtonSet() {
    QtPrompter prompter;
    const Buttons sets[] = {Buttons::kOk, Buttons::kOkCancel, Buttons::kYesNo,
                            Buttons::kYesNoCancel, Buttons::kOkOpen};
    for (const Buttons buttons : sets) {
      WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
      QCOMPARE(prompter.Message("Typelane", "Enter", buttons), typelane::DefaultAnswer(buttons));

      bool still_open = false;
      WhenShown<QMessageBox>([&](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        still_open = box->isVisible();
        if (still_open) box->defaultButton()->click();
      });
      const Answer after_escape = prompter.Message("Typelane", "Esc", buttons);
      const std::optional<Answer> escape = typelane::EscapeAnswer(buttons);
      QCOMPARE(still_open, !escape.has_value());
      QCOMPARE(after_escape, escape.value_or(typelane::DefaultAnswer(buttons)));
      QVERIFY(after_escape != Answer::kNo);
    }
    // The questions the program asks: Esc cancels a Yes/No/Cancel question
    // and Enter answers Yes.
    WhenShown<QMessageBox>([](QMessageBox* box) {
      QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
      QCOMPARE(box->escapeButton(), box->button(QMessageBox::Cancel));
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(prompter.Message("Typelane", "Do you want to save the current spreadsheet?",
                              Buttons::kYesNoCancel),
             Answer::kCancel);
  }

  void OpenDialogShowsFilesWithoutADotAndReturnsTheChosenType() {
    typelane::testing::TempDir temp;
    QFile(QString::fromStdString(temp / "orders")).open(QIODevice::WriteOnly);
    QFile(QString::fromStdString(temp / "a.tyl")).open(QIODevice::WriteOnly);
    QtPrompter prompter;
    QStringList filters;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
      QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
      filters = dialog->nameFilters();
      QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("Tab Delimited File (*)"));
      // Typed into the name box, as a user would: with the focus in the box,
      // the file the dialog first showed selected is let go.
      auto* name_box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name_box == nullptr || !QTest::qWaitForWindowActive(dialog)) {
        dialog->reject();
        QFAIL("the open dialog has no file name box, or never became active");
      }
      name_box->setFocus();
      name_box->selectAll();
      QTest::keyClicks(name_box, QStringLiteral("orders"));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    auto choice = prompter.ChooseOpenFile(
        "Typelane File (*.tyl)|*.tyl|Tab Delimited File (*.*)|*.*|Form File (*.fpb)|*.fpb", 2,
        temp / "a.tyl");
    QVERIFY(choice.has_value());
    QCOMPARE(QString::fromStdString(choice->path), QString::fromStdString(temp / "orders"));
    QCOMPARE(choice->filter_index, 2);
    QCOMPARE(filters.size(), 3);

    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QVERIFY(!prompter.ChooseSaveFile("Typelane File (*.tyl)|*.TYL", 1, "").has_value());
  }
};

QTEST_MAIN(PrompterTest)
#include "PrompterTest.moc"
