// The delays dialog: the boxes, the per-command grid with its backups, OK,
// Cancel and Reset, numbers in the user's locale.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "DialogTestSupport.h"
#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/dialogs/CommandsEditor.h"
#include "ui/dialogs/DelaysDialog.h"
#include "ui/main/DialogHost.h"

using typelane::testing::ClearCell;
using typelane::testing::NamedChild;
using typelane::testing::TypeIntoCell;
using typelane::testing::UiFixture;
using typelane::ui::DelaysDialog;

class DelayDialogTest : public QObject {
  Q_OBJECT

 private:
  static void Click(DelaysDialog& d, const char* name) {
    QTest::mouseClick(d.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
  }
  static void Retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  static int RowOf(const typelane::DelaySettings& d, const std::string& name) {
    for (size_t i = 0; i < d.CommandDelays().size(); ++i) {
      if (d.CommandDelays()[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }
  // The real program on a display of its own, driven with keys through the
  // window system as a user would.
  struct Desktop {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess xvfb, openbox, typelane;
    ~Desktop() {
      for (QProcess* p : {&typelane, &openbox, &xvfb}) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    QString Run(const QString& program, const QStringList& args) {
      QProcess p;
      p.setProcessEnvironment(env);
      p.start(program, args);
      p.waitForFinished(70000);
      return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // xdotool; a search waits up to a minute for its window.
    QString Xdo(const QStringList& args) {
      return Run(QStringLiteral("timeout"),
                 QStringList{QStringLiteral("60"), QStringLiteral("xdotool")} + args);
    }
    QString WaitWindow(const QString& title) {
      return Xdo({QStringLiteral("search"), QStringLiteral("--sync"),
                  QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                  QLatin1Char('^') + title + QLatin1Char('$')})
          .section(QLatin1Char('\n'), 0, 0);
    }
    // Until no window of that title shows (keys typed before would go to it).
    bool WaitGone(const QString& title) {
      for (int i = 0; i < 300; ++i) {
        if (Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')})
                .isEmpty()) {
          return true;
        }
        QTest::qWait(100);
      }
      return false;
    }
    void Keys(const QStringList& keys) {
      Xdo(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")} +
          keys);
    }
    void Type(const QString& text) {
      Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
    }
    // Whether the message box in front says text, as Ctrl+C copies it (asked
    // again until it has the focus and the copy has arrived).
    bool MessageSays(const QString& text) {
      for (int i = 0; i < 50; ++i) {
        Keys({QStringLiteral("ctrl+c")});
        if (Run(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")})
                .contains(text)) {
          return true;
        }
        QTest::qWait(200);
      }
      return false;
    }
  };

  static DelaysDialog& Shown(UiFixture& f) {
    DelaysDialog& d = *f.window->Dialogs()->Delays();
    d.show();
    d.activateWindow();
    if (!QTest::qWaitForWindowActive(&d)) qWarning("delays window not active");
    return d;
  }

 private slots:
  void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

  void ShowsTheDelaysInForceAndTheAdvancedText() {
    UiFixture f;
    f.document->delays.cell_delay = 1.5;
    f.document->delays.key_hold = 75;
    DelaysDialog& d = Shown(f);
    d.DocumentReset();  // refilled from the values in force
    QCOMPARE(d.windowTitle(), QStringLiteral("Typelane Delays"));
    QCOMPARE(NamedChild<QLineEdit>(d, "txtData")->text(), QStringLiteral("0"));
    QCOMPARE(NamedChild<QLineEdit>(d, "txtCell")->text(), QStringLiteral("1.5"));
    QCOMPARE(NamedChild<QLineEdit>(d, "txtForm")->text(), QStringLiteral("0.25"));
    QCOMPARE(NamedChild<QLineEdit>(d, "txtKey")->text(), QStringLiteral("75"));
    QCOMPARE(NamedChild<QLineEdit>(d, "txtHourGlass")->text(), QStringLiteral("1000"));
    const QStringList memo =
        d.findChild<QPlainTextEdit*>(QStringLiteral("memAdvanced"))->toPlainText().split('\n');
    QCOMPARE(memo.size(), 11);
    QCOMPARE(memo[1], QStringLiteral("of time a simulated \"normal\" or system "));
    QCOMPARE(memo[10], QStringLiteral("hourglass."));
    // One grid row per command of the table, names as the table has them.
    QCOMPARE(d.Grid()->model()->rowCount(),
             static_cast<int>(f.document->delays.CommandDelays().size()));
    QCOMPARE(d.Grid()->model()->index(0, 0).data().toString(), QStringLiteral("SAVE"));
  }

  void OkStoresTheBoxesAndMarksTheSheet() {
    UiFixture f;
    DelaysDialog& d = Shown(f);
    Retype(NamedChild<QLineEdit>(d, "txtCell"), QStringLiteral(" 0.5 "));
    NamedChild<QLineEdit>(d, "txtKey")->clear();  // an empty box counts as 0
    Retype(NamedChild<QLineEdit>(d, "txtMenu"), QStringLiteral("$10"));
    Click(d, "btnOK");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.document->delays.cell_delay, 0.5);
    QCOMPARE(f.document->delays.key_hold, 0);
    QCOMPARE(f.document->delays.menu_call, 16);
    QVERIFY(f.document->Modified());
    QCOMPARE(NamedChild<QLineEdit>(d, "txtKey")->text(), QStringLiteral("0"));
    QVERIFY(f.window->Action(QStringLiteral("mnuSave"))->isEnabled());
  }

  void OkWithoutChangesLeavesTheSheetUnmodified() {
    UiFixture f;
    DelaysDialog& d = Shown(f);
    Click(d, "btnOK");
    QVERIFY(!f.document->Modified());
    QCOMPARE(f.document->delays.cell_delay, 0.2);
  }

  void ABoxThatIsNoNumberKeepsTheWindowOpenAndStoresNothing() {
    UiFixture f;
    DelaysDialog& d = Shown(f);
    Retype(NamedChild<QLineEdit>(d, "txtCell"), QStringLiteral("0.75"));
    Retype(NamedChild<QLineEdit>(d, "txtSystem"),
           QStringLiteral("2.5"));  // a fraction of a millisecond
    Click(d, "btnOK");
    QVERIFY(d.isVisible());
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane Error"));
    QCOMPARE(f.prompter.shown[0].text, std::string("'2.5' is not a valid integer value"));
    QCOMPARE(f.document->delays.cell_delay, 0.2);
    QVERIFY(!f.document->Modified());
    // Mended, OK goes through.
    Retype(NamedChild<QLineEdit>(d, "txtSystem"), QStringLiteral("60"));
    Click(d, "btnOK");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.document->delays.cell_delay, 0.75);
    QCOMPARE(f.document->delays.system_hold, 60);
  }

  // The paste wait sits with the other seconds; a value the sheet file could
  // not keep (infinity, "nan", a negative or longer than a day) is refused
  // with the box's name and range, and nothing is stored until it is mended.
  void PasteWaitAndTheRangeOfEveryBox() {
    UiFixture f;
    DelaysDialog& d = Shown(f);
    QLineEdit* paste = NamedChild<QLineEdit>(d, "txtPaste");
    QCOMPARE(paste->text(), QStringLiteral("30"));
    QCOMPARE(paste->parentWidget()->objectName(), QStringLiteral("tabStandard"));
    const struct {
      const char* box;
      const char* typed;
      const char* message;
    } refused[] = {
        {"txtData", "inf", "'inf' is not a valid floating point value"},
        {"txtCell", "nan", "'nan' is not a valid floating point value"},
        {"txtForm", "-0.5", "\"Window is activated\" takes from 0 to 86400 seconds, not '-0.5'."},
        {"txtPaste", "86400.5", "\"Paste wait\" takes from 0 to 86400 seconds, not '86400.5'."},
        {"txtPaste", "1e400", "'1e400' is not a valid floating point value"},
        {"txtKey", "-1", "\"Key press\" takes from 0 to 86400000 milliseconds, not '-1'."},
        {"txtHourGlass", "86400001",
         "\"Hourglass check\" takes from 0 to 86400000 milliseconds, not '86400001'."},
    };
    for (const auto& r : refused) {
      QLineEdit* box = NamedChild<QLineEdit>(d, r.box);
      const QString before = box->text();
      Retype(box, QString::fromLatin1(r.typed));
      Retype(NamedChild<QLineEdit>(d, "txtCell"), QStringLiteral("0.75"));
      if (QByteArray(r.box) == "txtCell") Retype(box, QString::fromLatin1(r.typed));
      Click(d, "btnOK");
      QVERIFY2(d.isVisible(), r.typed);
      QCOMPARE(f.prompter.shown.back().text, std::string(r.message));
      QCOMPARE(f.document->delays.cell_delay, 0.2);
      QVERIFY(box->hasFocus());
      QVERIFY(box->isVisible());  // its tab is shown
      Retype(box, before);
    }
    QVERIFY(!f.document->Modified());
    // The ends of the ranges are taken.
    Retype(paste, QStringLiteral("86400"));
    Retype(NamedChild<QLineEdit>(d, "txtMenu"), QStringLiteral("86400000"));
    Retype(NamedChild<QLineEdit>(d, "txtData"), QStringLiteral("0"));
    Click(d, "btnOK");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.document->delays.paste_wait, 86400.0);
    QCOMPARE(f.document->delays.menu_call, 86400000);
    QCOMPARE(f.document->delays.cell_delay, 0.75);
    QVERIFY(f.document->Modified());
    // Reset puts the default back; OK stores it.
    d.show();
    Retype(paste, QStringLiteral("0"));
    Click(d, "btnReset");
    QCOMPARE(paste->text(), QStringLiteral("30"));
    Click(d, "btnOK");
    QCOMPARE(f.document->delays.paste_wait, 30.0);
  }

  // The same refusals in the real window, by keys: a box typed "inf", then a
  // paste wait past a day, each refused with its message and the window kept
  // open; mended, OK and Ctrl+S put the values in the saved sheet.
  void RefusedValuesTypedThroughTheWindowSystem() {
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "xclip", "xprop", "timeout"}) {
      if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
        QSKIP(qPrintable(QStringLiteral("no %1 here").arg(QString::fromLatin1(tool))));
      }
    }
    const QString program = QStringLiteral(TYPELANE_BIN_DIR "typelane");
    if (!QFile::exists(program)) QSKIP("the program is not built");
    QTemporaryDir dir;
    const QString sheet = dir.filePath(QStringLiteral("orders.tyl"));
    {
      QFile file(sheet);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(
          "begindelays\r\nenddelays\r\nbeginheader\r\nName\r\nendheader\r\nbeginother\r\n"
          "Window=Orders\r\nDescription=\r\nCommandGroup=\r\nendother\r\nbegindata\r\n"
          "Acme\r\nenddata\r\n");
    }
    Desktop desk;
    desk.xvfb.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1280x1024x24")});
    QVERIFY(desk.xvfb.waitForReadyRead(30000));
    const QString display = QLatin1Char(':') + QString::fromLatin1(desk.xvfb.readLine()).trimmed();
    desk.env.insert(QStringLiteral("DISPLAY"), display);
    for (const char* folder : {"config", "data", "runtime"}) {
      QDir(dir.path()).mkdir(QString::fromLatin1(folder));
    }
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    desk.env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    desk.env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    desk.env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    desk.env.insert(QStringLiteral("TYPELANE_NO_ASSOCIATIONS"), QStringLiteral("1"));
    desk.env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    desk.openbox.setProcessEnvironment(desk.env);
    desk.openbox.start(QStringLiteral("openbox"), {});
    for (int i = 0;
         i < 300 && !desk.Run(QStringLiteral("xprop"),
                              {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                         .contains(QStringLiteral("window id"));
         ++i) {
      QTest::qWait(100);
    }
    desk.typelane.setProcessEnvironment(desk.env);
    desk.typelane.start(program, {QStringLiteral("--no-splash"), sheet});
    const QString main = desk.WaitWindow(QStringLiteral("Veltrax Typelane ") + sheet);
    QVERIFY2(!main.isEmpty(), "the main window did not open");
    desk.Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});

    // Tools > Delays; the window opens with the tab bar in focus, Tab goes to
    // "Data cell is loaded" and selects its text.
    desk.Keys({QStringLiteral("alt+t"), QStringLiteral("d")});
    QVERIFY(!desk.WaitWindow(QStringLiteral("Typelane Delays")).isEmpty());
    desk.Keys({QStringLiteral("Tab")});
    desk.Type(QStringLiteral("inf"));
    desk.Keys({QStringLiteral("Return")});
    QVERIFY(!desk.WaitWindow(QStringLiteral("Typelane Error")).isEmpty());
    QVERIFY(desk.MessageSays(QStringLiteral("'inf' is not a valid floating point value")));
    desk.Keys({QStringLiteral("Return")});
    QVERIFY(desk.WaitGone(QStringLiteral("Typelane Error")));
    // Back in the box that was refused.
    desk.Keys({QStringLiteral("ctrl+a")});
    desk.Type(QStringLiteral("0.5"));
    desk.Keys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab")});
    desk.Type(QStringLiteral("86401"));
    desk.Keys({QStringLiteral("Return")});
    QVERIFY(!desk.WaitWindow(QStringLiteral("Typelane Error")).isEmpty());
    QVERIFY(desk.MessageSays(
        QStringLiteral("\"Paste wait\" takes from 0 to 86400 seconds, not '86401'.")));
    desk.Keys({QStringLiteral("Return")});
    QVERIFY(desk.WaitGone(QStringLiteral("Typelane Error")));
    desk.Keys({QStringLiteral("ctrl+a")});
    desk.Type(QStringLiteral("86400"));
    desk.Keys({QStringLiteral("Return")});
    QVERIFY(desk.WaitGone(QStringLiteral("Typelane Delays")));
    desk.Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
    desk.Keys({QStringLiteral("ctrl+s")});
    QByteArray saved;
    for (int i = 0; i < 300 && !saved.contains("PasteWait=86400\r\n"); ++i) {
      QTest::qWait(100);
      QFile file(sheet);
      if (file.open(QIODevice::ReadOnly)) saved = file.readAll();
    }
    QVERIFY2(saved.contains("\r\nDataDelay=0.5\r\n"), saved.constData());
    QVERIFY2(saved.contains("\r\nPasteWait=86400\r\n"), saved.constData());
  }

  void NumbersFollowTheUsersDecimalSeparator() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    UiFixture f;
    DelaysDialog& d = Shown(f);
    QCOMPARE(NamedChild<QLineEdit>(d, "txtCell")->text(), QStringLiteral("0,2"));
    Retype(NamedChild<QLineEdit>(d, "txtData"), QStringLiteral("1.5"));
    Click(d, "btnOK");
    QVERIFY(d.isVisible());
    QCOMPARE(f.prompter.shown.back().text,
             std::string("'1.5' is not a valid floating point value"));
    Retype(NamedChild<QLineEdit>(d, "txtData"), QStringLiteral("1,5"));
    Click(d, "btnOK");
    QVERIFY(!d.isVisible());
    QCOMPARE(f.document->delays.data_delay, 1.5);
    QCOMPARE(NamedChild<QLineEdit>(d, "txtData")->text(), QStringLiteral("1,5"));
  }

  void CancelRestoresTheBoxesAndTheEditedValuesButNotTheNames() {
    UiFixture f;
    auto& delays = f.document->delays;
    const int save = RowOf(delays, "SAVE");
    const int next = RowOf(delays, "NEXT FIELD");
    delays.MutableCommandDelays()[static_cast<size_t>(save)].value = "0.5";
    DelaysDialog& d = Shown(f);
    Retype(NamedChild<QLineEdit>(d, "txtForm"), QStringLiteral("3"));
    TypeIntoCell(d.Grid(), save, 1, QStringLiteral("2"));
    TypeIntoCell(d.Grid(), next, 0, QStringLiteral("NEXT"));
    // The grid edits the table as the user types.
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(save)].value, std::string("2"));
    QVERIFY(d.Changed());
    Click(d, "btnCancel");
    QVERIFY(!d.isVisible());
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(save)].value, std::string("0.5"));
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(next)].name, std::string("NEXT"));
    QCOMPARE(delays.form_delay, 0.25);
    QCOMPARE(NamedChild<QLineEdit>(d, "txtForm")->text(), QStringLiteral("0.25"));
    QVERIFY(!f.document->Modified());
    // The next synchronisation puts the command back with 0 and drops the
    // row that names no command.
    d.SyncCommandDelays();
    QCOMPARE(RowOf(delays, "NEXT"), -1);
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(RowOf(delays, "NEXT FIELD"))].value,
             std::string("0"));
  }

  void ResetThenOkStoresTheDefaultsWithoutMarkingTheSheet() {
    UiFixture f;
    auto& delays = f.document->delays;
    delays.cell_delay = 1;
    delays.hour_glass = 5;
    const int save = RowOf(delays, "SAVE");
    delays.MutableCommandDelays()[static_cast<size_t>(save)].value = "0.5";
    DelaysDialog& d = Shown(f);
    d.DocumentReset();
    d.show();
    Retype(NamedChild<QLineEdit>(d, "txtKey"), QStringLiteral("90"));
    Click(d, "btnReset");
    QCOMPARE(NamedChild<QLineEdit>(d, "txtKey")->text(), QStringLiteral("50"));
    QCOMPARE(NamedChild<QLineEdit>(d, "txtCell")->text(), QStringLiteral("0.2"));
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(save)].value, std::string("0"));
    QVERIFY(!d.Changed());
    Click(d, "btnOK");
    QCOMPARE(delays.cell_delay, 0.2);
    QCOMPARE(delays.hour_glass, 1000);
    QVERIFY(!f.document->Modified());

    // Reset then Cancel brings the previous values back, grid included.
    delays.cell_delay = 1;
    delays.MutableCommandDelays()[static_cast<size_t>(save)].value = "0.5";
    d.DocumentReset();
    d.show();
    Click(d, "btnReset");
    Click(d, "btnCancel");
    QCOMPARE(delays.cell_delay, 1.0);
    QCOMPARE(NamedChild<QLineEdit>(d, "txtCell")->text(), QStringLiteral("1"));
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(save)].value, std::string("0.5"));
  }

  void BackupsFollowTheirRowsWhenTheCommandsChange() {
    UiFixture f;
    auto& delays = f.document->delays;
    DelaysDialog& d = Shown(f);
    const int last = static_cast<int>(delays.CommandDelays().size()) - 1;
    const std::string last_name = delays.CommandDelays()[static_cast<size_t>(last)].name;
    TypeIntoCell(d.Grid(), last, 1, QStringLiteral("4"));
    // The commands window drops the first command; its OK synchronises.
    auto* commands = f.window->Dialogs()->Commands();
    commands->show();
    ClearCell(commands->Grid(), 0, 0);
    commands->ApplyCommands();
    QCOMPARE(RowOf(delays, "SAVE"), -1);
    const int moved = RowOf(delays, last_name);
    QCOMPARE(moved, last - 1);
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(moved)].value, std::string("4"));
    QVERIFY(d.HasBackup(moved, 1));
    d.CancelDelays();
    QCOMPARE(delays.CommandDelays()[static_cast<size_t>(moved)].value, std::string("0"));
  }

  void MenuAndButtonOpenTheWindowAndNewStartsItAfresh() {
    UiFixture f;
    DelaysDialog& d = *f.window->Dialogs()->Delays();
    f.window->Action(QStringLiteral("mnuDelays"))->trigger();
    QVERIFY(d.isVisible());
    QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!d.isModal());
    Retype(NamedChild<QLineEdit>(d, "txtCell"), QStringLiteral("9"));
    f.window->NewSheet();
    QVERIFY(!d.isVisible());
    QVERIFY(!d.Changed());
    QCOMPARE(NamedChild<QLineEdit>(d, "txtCell")->text(), QStringLiteral("0.2"));
  }
};

QTEST_MAIN(DelayDialogTest)
#include "DelayDialogTest.moc"
