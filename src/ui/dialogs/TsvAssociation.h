#pragma once

#include <QString>

namespace typelane::ui {

// Whether this program is the user's application for tab-separated-values
// downloads (text/tab-separated-values), the "Oracle Apps export target". On
// Linux the desktop's own tool says and sets it (xdg-mime, over the user's
// mimeapps.list); where the tool is missing or fails, the association is
// neither seen nor changed.
class TsvAssociation {
 public:
  static constexpr const char* kMimeType = "text/tab-separated-values";

  // desktop_id: the desktop entry this program installs for itself.
  explicit TsvAssociation(QString desktop_id = QStringLiteral("typelane.desktop"));

  // True when the user's default application for the type is this program.
  bool IsOurs() const;
  // Makes this program the default (on) or takes it away again (off; another
  // program's association is left alone). False when it could not be done.
  bool Set(bool on);

 private:
  // The user's mimeapps.list, which xdg-mime writes.
  static QString UserMimeApps();

  QString desktop_id_;
};

}  // namespace typelane::ui
