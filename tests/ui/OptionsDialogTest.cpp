// The options dialog: controls from the values in force, OK and the changed
// flag, colour panels, Make Default, Load Defaults, the document kind and the
// tab-separated-values association.

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "DialogTestSupport.h"
#include "UiFixture.h"
#include "core/document/Document.h"
#include "core/settings/Options.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/grid/SheetModel.h"
#include "ui/main/DialogHost.h"
#include "ui/main/FileAssociations.h"

using typelane::DocumentKind;
using typelane::testing::NamedChild;
using typelane::testing::TempDir;
using typelane::testing::UiFixture;
using typelane::ui::OptionsDialog;

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private:
  static OptionsDialog& Shown(UiFixture& f) {
    f.window->Action(QStringLiteral("mnuOptions"))->trigger();
    return *f.window->Dialogs()->Options();
  }
  // A click where a user clicks: on a check box's or radio item's box, in a
  // button's middle.
  static void Click(OptionsDialog& o, const char* name) {
    auto* button = NamedChild<QAbstractButton>(o, name);
    const bool boxed = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      boxed ? QPoint(8, button->height() / 2) : button->rect().center());
  }

  TempDir config_;

 private slots:
  void initTestCase() {
    // The association is looked up and set in a configuration of our own.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.Path()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(config_.Path()));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(config_.Path()));
    // The desktop entry the program writes for itself at start-up (its program
    // must exist for the desktop to take it).
    typelane::ui::WriteFileAssociations(QString::fromStdString(config_.Path()),
                                        QCoreApplication::applicationFilePath());
  }

  void AFirstStartShowsTheDefaults() {
    UiFixture f;
    OptionsDialog& o = Shown(f);
    QCOMPARE(o.windowTitle(), QStringLiteral("Options & Preferences"));
    QVERIFY(!NamedChild<QCheckBox>(o, "chkHourGlass")->isChecked());
    QVERIFY(NamedChild<QCheckBox>(o, "chkAutoInsert")->isChecked());
    QVERIFY(NamedChild<QCheckBox>(o, "chkProgressBar")->isChecked());
    QVERIFY(!NamedChild<QCheckBox>(o, "chkTitleSize")->isChecked());
    QVERIFY(!NamedChild<QCheckBox>(o, "chkExitApps")->isChecked());
    QVERIFY(NamedChild<QRadioButton>(o, "grpData0")->isChecked());
    QVERIFY(NamedChild<QRadioButton>(o, "grpImportLoad0")->isChecked());
    QCOMPARE(o.PanelColour("setDataColour"), 16777215);
    QCOMPARE(o.PanelColour("setKeystrokeColour"), 16777215);
    QCOMPARE(NamedChild<QLineEdit>(o, "txtUserName")->text(), QString());
    // A sheet file offers the load's options, not the playback's.
    QVERIFY(NamedChild(o, "chkHourGlass")->isEnabled());
    QVERIFY(NamedChild(o, "grpColour")->isEnabled());
    QVERIFY(!NamedChild(o, "chkExitApps")->isEnabled());
    QVERIFY(!NamedChild(o, "txtPassword")->isEnabled());
  }

  void OkAppliesTheControlsAndAChangeMarksTheSheet() {
    UiFixture f;
    OptionsDialog& o = Shown(f);
    Click(o, "chkHourGlass");
    Click(o, "grpData1");
    Click(o, "btnOK");
    QVERIFY(!o.isVisible());
    QVERIFY(f.document->options.hour_glass);
    QCOMPARE(f.document->options.data_source, 1);
    QVERIFY(f.document->Modified());
  }

  void OkWithoutChangesLeavesTheSheetUnmodified() {
    UiFixture f;
    OptionsDialog& o = Shown(f);
    Click(o, "btnOK");
    QVERIFY(!f.document->Modified());
    QCOMPARE(f.document->options, typelane::Options{});
  }

  void AUserNameAloneMarksTheSheet() {
    UiFixture f;
    f.document->SetDocumentKind(DocumentKind::kPlayback);
    OptionsDialog& o = Shown(f);
    QVERIFY(NamedChild(o, "txtUserName")->isEnabled());
    QVERIFY(!NamedChild(o, "chkHourGlass")->isEnabled());
    QTest::keyClicks(NamedChild<QLineEdit>(o, "txtUserName"), QStringLiteral("SYSADMIN"));
    Click(o, "btnOK");
    QCOMPARE(f.document->options.user_name, std::string("SYSADMIN"));
    QVERIFY(f.document->Modified());
  }

  void CancelKeepsTheValuesInForce() {
    UiFixture f;
    OptionsDialog& o = Shown(f);
    Click(o, "chkAutoInsert");
    Click(o, "btnCancel");
    QVERIFY(!o.isVisible());
    QVERIFY(f.document->options.auto_insert);
    // Shown again, the controls come from the values in force.
    Shown(f);
    QVERIFY(NamedChild<QCheckBox>(o, "chkAutoInsert")->isChecked());
  }

  void AColourPanelTakesTheColourDialogsChoice() {
    UiFixture f;
    OptionsDialog& o = Shown(f);
    // The real colour dialog, answered as a user would.
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QColorDialog*>(w); dialog && dialog->isVisible()) {
          dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
          dialog->accept();
        }
      }
    });
    Click(o, "setCommandColour");
    QCOMPARE(o.PanelColour("setCommandColour"), 0x563412);
    // Only OK puts it in force, and a new colour counts as a change.
    QCOMPARE(f.document->options.command_colour, 16777215);
    Click(o, "btnOK");
    QCOMPARE(f.document->options.command_colour, 0x563412);
    QVERIFY(f.document->Modified());

    // A cancelled colour dialog leaves the panel as it was.
    Shown(f);
    o.SetColourChooser([](const QColor&, QWidget*) { return std::optional<QColor>(); });
    Click(o, "setDataColour");
    QCOMPARE(o.PanelColour("setDataColour"), 16777215);
  }

  void MakeDefaultStoresTheControlsNotTheValuesInForce() {
    UiFixture f;
    OptionsDialog& o = Shown(f);
    Click(o, "chkTitleSize");
    Click(o, "btnDefault");
    QVERIFY(o.isVisible());
    QVERIFY(!f.document->options.title_size);
    QCOMPARE(f.settings.ReadInt(typelane::kOptionsKey, "TitleSize"), std::optional<int>(1));
    QCOMPARE(f.settings.ReadInt(typelane::kOptionsKey, "DataColour"), std::optional<int>(16777215));
    // Verify pasted data: off by default, stored as VerifyPaste, in force
    // after OK and marks the sheet modified.
    QVERIFY(!NamedChild<QCheckBox>(o, "chkVerifyPaste")->isChecked());
    QCOMPARE(NamedChild<QCheckBox>(o, "chkVerifyPaste")->accessibleName(),
             QStringLiteral("Verify pasted data"));
    Click(o, "chkVerifyPaste");
    Click(o, "btnDefault");
    QCOMPARE(f.settings.ReadInt(typelane::kOptionsKey, "VerifyPaste"), std::optional<int>(1));
    QVERIFY(!f.document->options.verify_paste);
    Click(o, "btnOK");
    QVERIFY(f.document->options.verify_paste);
    QVERIFY(f.document->Modified());
    o.show();
    // A store that cannot be written says so.
    f.settings.read_only = true;
    Click(o, "chkTitleSize");
    const size_t before = f.prompter.shown.size();
    Click(o, "btnDefault");
    QCOMPARE(f.prompter.shown.size(), before + 1);
    QCOMPARE(f.prompter.shown.back().title, std::string("Typelane Error"));
    QCOMPARE(f.prompter.shown.back().text, std::string("Failed to save the option defaults."));
    QCOMPARE(f.settings.ReadInt(typelane::kOptionsKey, "TitleSize"), std::optional<int>(1));
    QVERIFY(o.isVisible());
  }

  void LoadDefaultsPutsTheStoredDefaultsInForceAtOnce() {
    UiFixture f;
    typelane::Options stored;
    stored.hour_glass = true;
    stored.keystroke_colour = 0xff;
    QVERIFY(typelane::SaveOptionDefaults(f.settings, stored));
    OptionsDialog& o = Shown(f);
    QVERIFY(!NamedChild<QCheckBox>(o, "chkHourGlass")->isChecked());
    Click(o, "btnLoadDefaults");
    QVERIFY(NamedChild<QCheckBox>(o, "chkHourGlass")->isChecked());
    QCOMPARE(o.PanelColour("setKeystrokeColour"), 0xff);
    Click(o, "btnCancel");
    QVERIFY(f.document->options.hour_glass);
    QCOMPARE(f.document->options.keystroke_colour, 0xff);
    QVERIFY(!f.document->Modified());
  }

  void TheExportAssociationGoesThroughTheDesktop() {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) {
      QSKIP("xdg-mime is not installed");
    }
    UiFixture f;
    OptionsDialog& o = Shown(f);
    QVERIFY(!NamedChild<QCheckBox>(o, "chkAppsExport")->isChecked());
    Click(o, "chkAppsExport");
    Click(o, "btnOK");
    // The association is not the sheet's: it leaves the sheet unmodified.
    QVERIFY(!f.document->Modified());
    QVERIFY(typelane::ui::TsvAssociation().IsOurs());
    const std::string list = UiFixture::ReadFile(config_ / "mimeapps.list");
    QVERIFY(list.find("text/tab-separated-values=typelane.desktop") != std::string::npos);
    Shown(f);
    QVERIFY(NamedChild<QCheckBox>(o, "chkAppsExport")->isChecked());
    Click(o, "chkAppsExport");
    Click(o, "btnOK");
    QVERIFY(!typelane::ui::TsvAssociation().IsOurs());
    Shown(f);
    QVERIFY(!NamedChild<QCheckBox>(o, "chkAppsExport")->isChecked());
  }

  void TheColoursReachTheGrid() {
    UiFixture f;
    f.document->sheet.SetCell(1, 1, "data");
    f.document->sheet.RaiseExtent(1, 1);
    f.window->ShowDocument(true);
    OptionsDialog& o = Shown(f);
    o.SetColourChooser([](const QColor&, QWidget*) { return std::optional<QColor>(Qt::red); });
    Click(o, "setDataColour");
    Click(o, "btnOK");
    const QModelIndex cell = f.window->Model()->index(0, 0);
    QCOMPARE(cell.data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
  }
};

QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
