// The desktop entry and MIME types written at start-up.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
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
    // Once that program is gone the desktop hides the entry.
    QVERIFY(desktop.contains("\nTryExec=/opt/typelane/bin/typelane\n"));
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

  // A program folder with the characters a desktop entry must escape: the
  // entry passes desktop-file-validate, and the desktop's own launcher (gio,
  // as a double-click does) starts exactly that program with the file. GLib
  // looks for the program before it reads "%%" as "%", so it cannot start one
  // whose path holds a percent sign however the entry is written: that one is
  // only validated.
  void AnyProgramPathIsWrittenSoTheDesktopStartsIt() {
    const QString validate =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    QVERIFY2(!validate.isEmpty() && !gio.isEmpty(),
             "desktop-file-validate and gio are needed (scripts/install-deps.sh)");
    typelane::testing::TempDir home;
    const QString root = QString::fromStdString(home.Path());
    const QString out = root + QStringLiteral("/argv.txt");
    const QStringList folders = {
        QStringLiteral("100%f"),
        QStringLiteral("say \"hi\" it's $HOME `x`"),
        QStringLiteral("back\\slash two"),
        QStringLiteral("back\\slash 50%"),
        QStringLiteral("line\nbreak\tand tab;&|<>~*?#()"),
        QStringLiteral("plain"),
    };
    for (const QString& folder : folders) {
      const QString dir = root + QStringLiteral("/bin/") + folder;
      QVERIFY(QDir().mkpath(dir));
      const QString program = dir + QStringLiteral("/typelane");
      QFile script(program);
      QVERIFY(script.open(QIODevice::WriteOnly));
      script.write("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$TYPELANE_ARGV\"\n");
      script.close();
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

      const QString data = root + QStringLiteral("/data");
      QVERIFY(WriteFileAssociations(data, program));
      const QString entry = data + QStringLiteral("/applications/typelane.desktop");
      QProcess check;
      check.setProcessChannelMode(QProcess::MergedChannels);
      check.start(validate, {entry});
      QVERIFY(check.waitForFinished(30000));
      // It only notes that the folder is not where the desktop looks.
      const QByteArray said = check.readAll();
      QVERIFY2(check.exitCode() == 0 && !said.contains("error") && !said.contains("warning"),
               qPrintable(folder + QStringLiteral(": ") +
                          QString::fromUtf8(said + Read(entry.toStdString()))));

      if (folder.contains(QLatin1Char('%'))) continue;
      QFile::remove(out);
      QProcess launch;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("TYPELANE_ARGV"), out);
      launch.setProcessEnvironment(env);
      launch.start(gio, {QStringLiteral("launch"), entry, root + QStringLiteral("/my sheet.tyl")});
      QVERIFY(launch.waitForFinished(30000));
      QVERIFY(launch.exitCode() == 0);
      QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 30000);
      QTRY_COMPARE_WITH_TIMEOUT(
          QString::fromUtf8(Read(out.toStdString())),
          program + QStringLiteral("\n") + root + QStringLiteral("/my sheet.tyl\n"), 30000);
    }
  }

  void AFolderThatCannotBeWrittenIsSkipped() {
    typelane::testing::TempDir home;
    QFile blocker(QString::fromStdString(home / "applications"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    QVERIFY(!WriteFileAssociations(QString::fromStdString(home.Path()),
                                   QStringLiteral("/opt/typelane/bin/typelane")));
    // What could be written still was.
    QVERIFY(!Read(home / "mime/packages/typelane.xml").isEmpty());
    QVERIFY(!WriteFileAssociations(QString(), QStringLiteral("/usr/bin/typelane")));
  }
};

QTEST_MAIN(FileAssociationsTest)
#include "FileAssociationsTest.moc"
