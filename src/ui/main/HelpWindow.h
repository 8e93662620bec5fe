#pragma once

#include <QTextBrowser>
#include <QUrl>

namespace typelane::ui {

// The local help pages in a window of our own, for a desktop with no web
// browser to show them. Links within the pages are followed here; a web or
// mail address still goes to the desktop.
class HelpWindow : public QTextBrowser {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Shows page (a local file) and brings the window to the front.
  void ShowPage(const QUrl& page);
};

}  // namespace typelane::ui
