#include "ui/dialogs/TsvAssociation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace typelane::ui {
namespace {

// Runs xdg-mime; false when it is not there or fails.
bool XdgMime(const QStringList& args, QString* output = nullptr) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (tool.isEmpty()) return false;
  QProcess process;
  process.setProcessChannelMode(QProcess::SeparateChannels);
  process.start(tool, args);
  if (!process.waitForStarted(5000) || !process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished(1000);
    return false;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return false;
  if (output != nullptr) *output = QString::fromLocal8Bit(process.readAllStandardOutput());
  return true;
}

}  // namespace

TsvAssociation::TsvAssociation(QString desktop_id) : desktop_id_(std::move(desktop_id)) {}

bool TsvAssociation::IsOurs() const {
  QString output;
  if (!XdgMime({QStringLiteral("query"), QStringLiteral("default"), QString::fromLatin1(kMimeType)},
               &output)) {
    return false;
  }
  return output.trimmed() == desktop_id_;
}

QString TsvAssociation::UserMimeApps() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/mimeapps.list");
}

bool TsvAssociation::Set(bool on) {
  if (on) {
    return XdgMime({QStringLiteral("default"), desktop_id_, QString::fromLatin1(kMimeType)}) &&
           IsOurs();
  }
  if (!IsOurs()) return true;
  // xdg-mime can set a default but not remove one: the entry it wrote goes
  // from the [Default Applications] group of the user's list.
  QFile file(UserMimeApps());
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QList<QByteArray> lines = file.readAll().split('\n');
  file.close();
  QByteArray out;
  bool in_defaults = false;
  const QByteArray key = QByteArray(kMimeType) + '=';
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QByteArray& line = lines[i];
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('[')) in_defaults = trimmed == "[Default Applications]";
    if (!(in_defaults && trimmed.startsWith(key))) {
      out += line;
      if (i + 1 < lines.size()) out += '\n';
    } else {
      // Our entry goes; other programs listed with it stay.
      QList<QByteArray> apps = trimmed.mid(key.size()).split(';');
      apps.removeAll(desktop_id_.toUtf8());
      apps.removeAll(QByteArray());
      if (!apps.isEmpty()) out += key + apps.join(';') + ";\n";
    }
  }
  QSaveFile save(UserMimeApps());
  if (!save.open(QIODevice::WriteOnly)) return false;
  save.write(out);
  return save.commit() && !IsOurs();
}

}  // namespace typelane::ui
