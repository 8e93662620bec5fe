#include "ui/dialogs/PreviewWindow.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace typelane::ui {

PreviewWindow::PreviewWindow(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmPreview"));
  setWindowTitle(QStringLiteral("Typelane Preview Load"));
  auto* layout = new QVBoxLayout(this);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("memPreview"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setPlainText(text);
  layout->addWidget(text_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("btnOK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(560, 480);
}

QString PreviewWindow::Text() const { return text_->toPlainText(); }

}  // namespace typelane::ui
