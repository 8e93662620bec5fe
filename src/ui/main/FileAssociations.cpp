#include "ui/main/FileAssociations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "ui/common/ToolbarIcons.h"

namespace typelane::ui {
namespace {

constexpr const char* kSheetType = "application/x-typelane-sheet";
constexpr const char* kPlaybackType = "application/x-oracle-forms-playback";

// True when the file holds text already, or was written with it.
bool WriteIfChanged(const QString& path, const QByteArray& text, bool* changed) {
  QFile existing(path);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == text) return true;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(text);
  if (!file.commit()) return false;
  *changed = true;
  return true;
}

// A desktop entry's Exec value: the path quoted when it needs it.
QByteArray ExecValue(const QString& executable) {
  QByteArray path = QFile::encodeName(executable);
  bool plain = true;
  for (char c : path) {
    if (!(QChar::isLetterOrNumber(static_cast<uchar>(c)) || c == '/' || c == '.' || c == '-' ||
          c == '_')) {
      plain = false;
    }
  }
  if (plain) return path + " %f";
  QByteArray quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  // The Exec key's own escaping doubles every backslash.
  quoted.replace("\\", "\\\\");
  return quoted + "\" %f";
}

}  // namespace

bool WriteFileAssociations(const QString& data_home, const QString& executable) {
  if (data_home.isEmpty() || executable.isEmpty()) return false;
  bool ok = true;
  bool mime_changed = false;
  bool other_changed = false;

  const QString icon_path = data_home + QStringLiteral("/icons/hicolor/32x32/apps/typelane.png");
  if (!QFileInfo::exists(icon_path)) {
    QDir().mkpath(QFileInfo(icon_path).absolutePath());
    ok = ToolbarIcon(QStringLiteral("Typelane")).pixmap(32, 32).save(icon_path, "PNG") && ok;
  }

  const QByteArray mime =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" +
      QByteArray(kSheetType) +
      "\">\n"
      "    <comment>Veltrax Typelane File</comment>\n"
      "    <icon name=\"typelane\"/>\n"
      "    <glob pattern=\"*.tyl\"/>\n"
      "  </mime-type>\n"
      "  <mime-type type=\"" +
      QByteArray(kPlaybackType) +
      "\">\n"
      "    <comment>Veltrax Typelane File</comment>\n"
      "    <icon name=\"typelane\"/>\n"
      "    <glob pattern=\"*.fpb\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  ok = WriteIfChanged(data_home + QStringLiteral("/mime/packages/typelane.xml"), mime,
                      &mime_changed) &&
       ok;

  const QByteArray desktop =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Veltrax Typelane\n"
      "Comment=Enter the rows of a sheet into another program's screens\n"
      "Exec=" +
      ExecValue(executable) +
      "\n"
      "Icon=typelane\n"
      "Terminal=false\n"
      "Categories=Office;Utility;\n"
      "MimeType=" +
      QByteArray(kSheetType) + ";" + QByteArray(kPlaybackType) + ";\n";
  ok = WriteIfChanged(data_home + QStringLiteral("/applications/typelane.desktop"), desktop,
                      &other_changed) &&
       ok;

  // The desktop reads the types from the compiled database: bring it up to date
  // when our types changed and the tool is there.
  if (mime_changed) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!tool.isEmpty()) {
      QProcess::startDetached(tool, {data_home + QStringLiteral("/mime")});
    }
  }
  return ok;
}

}  // namespace typelane::ui
