#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace typelane::ui {

// frmPreview "Typelane Preview Load": what a load of the selected cells would
// do, step by step, with its total time, as read-only text the user can
// select and copy. Nothing in it acts on the desktop.
class PreviewWindow : public QDialog {
  Q_OBJECT

 public:
  PreviewWindow(const QString& text, QWidget* parent = nullptr);

  QString Text() const;

 private:
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace typelane::ui
