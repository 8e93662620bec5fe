#include "ui/main/HelpWindow.h"

#include <QGuiApplication>
#include <QScreen>

namespace typelane::ui {

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("frmHelp"));
  // A window of its own beside the main window, not a part of it.
  setWindowFlag(Qt::Window);
  setWindowTitle(QStringLiteral("Typelane Help"));
  setOpenExternalLinks(true);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    resize(qMin(800, area.width()), qMin(700, area.height()));
  }
}

void HelpWindow::ShowPage(const QUrl& page) {
  if (source() != page) setSource(page);
  show();
  raise();
  activateWindow();
}

}  // namespace typelane::ui
