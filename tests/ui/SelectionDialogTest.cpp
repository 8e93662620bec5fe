// The selection dialog: the range choice from the grid's selection, the group
// from the list only, the window list in Z order without our own windows, OK's
// check.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "DialogTestSupport.h"
#include "UiFixture.h"
#include "core/document/Document.h"
#include "ui/dialogs/SelectionDialog.h"

using typelane::WindowInfo;
using typelane::testing::NamedChild;
using typelane::testing::UiFixture;
using typelane::ui::SelectionDialog;

class SelectionDialogTest : public QObject {
  Q_OBJECT

 private:
  static SelectionDialog::Start Start(bool multi = false) {
    SelectionDialog::Start start;
    start.groups = {"Forms 6i", "Forms 4.5", "Desktop"};
    start.group = "Forms 4.5";
    start.window_title = "Orders";
    start.multi_cell_selection = multi;
    start.own_caption = "Veltrax Typelane /tmp/a.tyl";
    return start;
  }

 private slots:
  void StartsFromTheMainWindowsValues() {
    UiFixture f;
    SelectionDialog s(Start(), f.platform, f.prompter);
    QCOMPARE(s.windowTitle(), QStringLiteral("Typelane"));
    QVERIFY(s.isModal());
    QVERIFY(NamedChild<QRadioButton>(s, "rdoAll")->isChecked());
    QCOMPARE(NamedChild<QComboBox>(s, "cmbGroup")->count(), 3);
    QCOMPARE(NamedChild<QComboBox>(s, "cmbGroup")->currentText(), QStringLiteral("Forms 4.5"));
    QCOMPARE(NamedChild<QComboBox>(s, "cmbWindow")->currentText(), QStringLiteral("Orders"));
    SelectionDialog multi(Start(true), f.platform, f.prompter);
    QVERIFY(NamedChild<QRadioButton>(multi, "dboSelection")->isChecked());
  }

  void GroupsArePickedNotTyped() {
    UiFixture f;
    SelectionDialog s(Start(), f.platform, f.prompter);
    auto* group = NamedChild<QComboBox>(s, "cmbGroup");
    QTest::keyClicks(group, QStringLiteral("D"));
    QCOMPARE(group->currentText(), QStringLiteral("Forms 4.5"));
    QTest::keyClick(group, Qt::Key_Down);
    QCOMPARE(group->currentText(), QStringLiteral("Desktop"));
    QCOMPARE(s.Group(), std::string("Desktop"));
  }

  void TheWindowListIsInZOrderWithoutOurWindows() {
    UiFixture f;
    f.platform.UseWindowList({
        WindowInfo{11, "Zeta Orders", true, false},
        WindowInfo{12, "Typelane Progress", true, true},
        WindowInfo{13, "Veltrax Typelane /tmp/a.tyl", true, false},
        WindowInfo{14, "Alpha", true, false},
        WindowInfo{15, "Hidden", false, false},
    });
    SelectionDialog s(Start(), f.platform, f.prompter);
    auto* window = NamedChild<QComboBox>(s, "cmbWindow");
    window->setEditText(QStringLiteral("Zet"));
    s.FillWindowTitles();
    QCOMPARE(window->count(), 2);
    QCOMPARE(window->itemText(0), QStringLiteral("Zeta Orders"));
    QCOMPARE(window->itemText(1), QStringLiteral("Alpha"));
    // Dropping the list down discards what was typed.
    QCOMPARE(window->currentText(), QString());
  }

  void TheMainWindowsListIsSortedWithoutOurWindows() {
    UiFixture f;
    f.platform.UseWindowList({
        WindowInfo{11, "Zeta Orders", true, false},
        WindowInfo{12, "Typelane Progress", true, true},
        WindowInfo{14, "Alpha", true, false},
    });
    auto* combo = f.window->findChild<QComboBox*>(QStringLiteral("cmbWindow"));
    combo->showPopup();
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("Alpha"));
    QCOMPARE(combo->itemText(1), QStringLiteral("Zeta Orders"));
    combo->hidePopup();
  }

  void OkNeedsAWindowAndAGroup() {
    UiFixture f;
    SelectionDialog::Start start = Start();
    start.group.clear();
    SelectionDialog s(start, f.platform, f.prompter);
    s.show();
    QTest::mouseClick(NamedChild<QPushButton>(s, "btnOK"), Qt::LeftButton);
    QCOMPARE(f.prompter.shown.size(), size_t{1});
    QCOMPARE(f.prompter.shown[0].title, std::string("Typelane Error"));
    QCOMPARE(f.prompter.shown[0].text,
             std::string("A Target Window and Command Group must be specified before a load can "
                         "start."));
    QVERIFY(s.isVisible());
    QCOMPARE(s.result(), 0);
    NamedChild<QComboBox>(s, "cmbGroup")->setCurrentIndex(0);
    // A title's beginning is enough: the load matches by prefix.
    NamedChild<QComboBox>(s, "cmbWindow")->setEditText(QStringLiteral("Ord"));
    QTest::mouseClick(NamedChild<QPushButton>(s, "btnOK"), Qt::LeftButton);
    QCOMPARE(s.result(), int(QDialog::Accepted));
    QCOMPARE(s.WindowTitle(), std::string("Ord"));
    QCOMPARE(s.Group(), std::string("Forms 6i"));
    QVERIFY(s.AllCells());
  }
};

QTEST_MAIN(SelectionDialogTest)
#include "SelectionDialogTest.moc"
