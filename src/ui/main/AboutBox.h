#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

namespace typelane::ui {

// frmAbout: product, version, the maker's web and mail addresses (each opens
// with a click), support text and OK. Shown modally and discarded when closed.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  AboutBox(std::function<void(const QUrl&)> open_url, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QUrl&)> open_url_;
};

}  // namespace typelane::ui
