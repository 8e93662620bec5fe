#include "ui/main/FileAssociations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "core/common/Text.h"
#include "core/files/ProgramFolder.h"
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

// A desktop entry's Exec value for the program at path, "" when no desktop
// entry can name it. Two layers of escaping, as desktop entries take them:
// first the command line's own (an argument holding a reserved character is
// put in double quotes, with a double quote, backquote, dollar and backslash
// escaped by a backslash inside; every percent sign is doubled, or it would be
// read as a field code), then the string value's (a backslash is written as
// two, a line break, tab or carriage return as backslash n, t or r).
QByteArray ExecValue(const QByteArray& path) {
  // A desktop entry is UTF-8 text, and no escape gives other control
  // characters.
  if (!IsValidUtf8(std::string_view(path.constData(), static_cast<size_t>(path.size())))) {
    return {};
  }
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0x7F || (b < 0x20 && c != '\n' && c != '\t' && c != '\r')) return {};
  }
  bool plain = !path.isEmpty();
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!(letter || b >= 0x80 || QByteArrayView("/.-_+,:@=").contains(c))) plain = false;
  }
  QByteArray argument;
  if (plain) {
    argument = path;
  } else {
    argument = "\"";
    for (char c : path) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
      argument += c;
    }
    argument += '"';
  }
  QByteArray value;
  for (char c : argument) {
    switch (c) {
      case '%':
        value += "%%";
        break;
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value + " %f";
}

}  // namespace

bool SystemIntegrated(const QString& data_home, const QString& executable) {
  if (InstalledProgramFolder(ProgramFolderFromPath(executable.toStdString()))) return true;
  // The system's folders only: what a user's own folder holds may be our own
  // entry from an earlier run.
  const QStringList own = {
      QDir(data_home).absolutePath(),
      QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).absolutePath()};
  for (const QString& folder :
       QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
    if (own.contains(QDir(folder).absolutePath())) continue;
    for (const char* entry : kDesktopEntryNames) {
      if (QFileInfo::exists(folder + QStringLiteral("/applications/") + QLatin1String(entry))) {
        return true;
      }
    }
  }
  return false;
}

bool WriteFileAssociations(const QString& data_home, const QString& executable) {
  if (data_home.isEmpty() || executable.isEmpty()) return false;
  if (SystemIntegrated(data_home, executable)) return true;
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

  const QByteArray exec = ExecValue(QFile::encodeName(executable));
  if (exec.isEmpty()) return false;  // a path no desktop entry can hold
  // TryExec takes a plain path (no quoting, only the string escapes): a
  // desktop hides the entry once the build it names is gone.
  QByteArray try_exec = QFile::encodeName(executable);
  try_exec.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t").replace("\r", "\\r");
  const QByteArray desktop =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Veltrax Typelane\n"
      "Comment=Enter the rows of a sheet into another program's screens\n"
      "Exec=" +
      exec +
      "\n"
      "TryExec=" +
      try_exec +
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
