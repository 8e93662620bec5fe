#include "ui/main/SplashWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/main/Maker.h"

namespace typelane::ui {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmFlash"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(648, 249);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0, 0, 128));
  pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
  setPalette(pal);
  auto* layout = new QVBoxLayout(this);
  auto add = [&](const QString& text, qreal scale, bool bold, bool italic) {
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * scale);
    f.setBold(bold);
    f.setItalic(italic);
    label->setFont(f);
    layout->addWidget(label);
  };
  add(QStringLiteral("Typelane"), 4.0, true, true);
  add(QStringLiteral("by"), 1.2, false, false);
  add(QString::fromLatin1(kMakerName), 1.8, true, false);
  add(QString::fromLatin1(kMakerWeb), 1.2, false, false);
  add(QString::fromLatin1(kMakerEmail), 1.2, false, false);
}

void SplashWindow::ShowFor(int ms) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.center() - rect().center());
  }
  show();
  raise();
  QTimer::singleShot(ms, this, &QWidget::close);
}

}  // namespace typelane::ui
