// The desktop entry and MIME types written at start-up.

#include <QFile>
#include <QTest>

#include "support/TempDir.h"
#include "ui/main/FileAssociations.h"

using typelane::ui::WriteFileAssociations;

namespace {
QByteArray Read(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class FileAssociationsTest : public QObject {
  Q_OBJECT

 private slots:
  void BothTypesOpenWithTheProgramWhereverItIs() {
    typelane::testing::TempDir home;
    QVERIFY(WriteFileAssociations(QString::fromStdString(home.Path()),
                                  QStringLiteral("/opt/typelane/bin/typelane")));
    const QByteArray desktop = Read(home / "applications/typelane.desktop");
    QVERIFY(desktop.contains("\nExec=/opt/typelane/bin/typelane %f\n"));
    QVERIFY(desktop.contains(
        "\nMimeType=application/x-typelane-sheet;application/x-oracle-forms-playback;\n"));
    const QByteArray mime = Read(home / "mime/packages/typelane.xml");
    QVERIFY(mime.contains("<glob pattern=\"*.tyl\"/>"));
    QVERIFY(mime.contains("<glob pattern=\"*.fpb\"/>"));
    QCOMPARE(mime.count("<comment>Veltrax Typelane File</comment>"), 2);
    QVERIFY(QFile::exists(QString::fromStdString(home / "icons/hicolor/32x32/apps/typelane.png")));

    // Moved: the next start points the entry at the new place; a path with a
    // blank stays one argument.
    QVERIFY(WriteFileAssociations(QString::fromStdString(home.Path()),
                                  QStringLiteral("/home/me/My Tools/typelane")));
    QVERIFY(Read(home / "applications/typelane.desktop")
                .contains("\nExec=\"/home/me/My Tools/typelane\" %f\n"));
  }

  void AFolderThatCannotBeWrittenIsSkipped() {
    typelane::testing::TempDir home;
    QFile blocker(QString::fromStdString(home / "applications"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    QVERIFY(!WriteFileAssociations(QString::fromStdString(home.Path()),
                                   QStringLiteral("/usr/bin/typelane")));
    // What could be written still was.
    QVERIFY(!Read(home / "mime/packages/typelane.xml").isEmpty());
    QVERIFY(!WriteFileAssociations(QString(), QStringLiteral("/usr/bin/typelane")));
  }
};

QTEST_MAIN(FileAssociationsTest)
#include "FileAssociationsTest.moc"
