#include "ui/common/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <map>

namespace typelane::ui {
namespace {

constexpr int kSize = 32;

void Page(QPainter& p, QRectF r, const QColor& fill = Qt::white) {
  QPainterPath path;
  const qreal fold = r.width() * 0.3;
  path.moveTo(r.topLeft());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.bottomRight());
  path.lineTo(r.bottomLeft());
  path.closeSubpath();
  p.setBrush(fill);
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void Lines(QPainter& p, QRectF r, int count) {
  p.setPen(QPen(QColor(120, 120, 160), 1.5));
  for (int i = 0; i < count; ++i) {
    const qreal y = r.top() + (i + 1) * r.height() / (count + 1);
    p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
  }
}

void DrawNew(QPainter& p) {
  Page(p, QRectF(7, 3, 18, 25));
  p.setPen(QPen(QColor(220, 160, 0), 2));
  p.drawLine(QPointF(22, 20), QPointF(22, 30));
  p.drawLine(QPointF(17, 25), QPointF(27, 25));
}

void DrawOpen(QPainter& p) {
  p.setPen(QPen(QColor(140, 100, 20), 1.5));
  p.setBrush(QColor(240, 200, 90));
  p.drawRect(QRectF(3, 9, 24, 18));
  p.setBrush(QColor(250, 220, 120));
  QPainterPath front;
  front.moveTo(6, 14);
  front.lineTo(30, 14);
  front.lineTo(27, 27);
  front.lineTo(3, 27);
  front.closeSubpath();
  p.drawPath(front);
}

void DrawSave(QPainter& p) {
  p.setPen(QPen(QColor(30, 40, 90), 1.5));
  p.setBrush(QColor(60, 90, 170));
  p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 5, 14, 9));
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(QRectF(9, 19, 14, 9));
}

void DrawCut(QPainter& p) {
  p.setPen(QPen(QColor(50, 50, 50), 2));
  p.drawLine(QPointF(10, 4), QPointF(20, 21));
  p.drawLine(QPointF(22, 4), QPointF(12, 21));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(180, 30, 30), 2));
  p.drawEllipse(QPointF(10, 25), 4, 4);
  p.drawEllipse(QPointF(22, 25), 4, 4);
}

void DrawCopy(QPainter& p) {
  Page(p, QRectF(4, 3, 15, 20));
  Page(p, QRectF(13, 9, 15, 20));
  Lines(p, QRectF(16, 14, 8, 12), 3);
}

void DrawPaste(QPainter& p) {
  p.setPen(QPen(QColor(110, 70, 20), 1.5));
  p.setBrush(QColor(200, 150, 80));
  p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
  p.setBrush(QColor(170, 170, 170));
  p.drawRect(QRectF(10, 3, 10, 5));
  Page(p, QRectF(13, 12, 15, 18));
  Lines(p, QRectF(16, 17, 8, 10), 3);
}

// A curved arrow turning back to the left (Undo) or, mirrored, forward to the
// right (Redo).
void DrawTurn(QPainter& p, bool forward) {
  if (forward) {
    p.translate(kSize, 0);
    p.scale(-1, 1);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(30, 70, 150), 3, Qt::SolidLine, Qt::RoundCap));
  QPainterPath bow;
  bow.moveTo(9, 13);
  bow.cubicTo(QPointF(17, 6), QPointF(30, 10), QPointF(26, 21));
  bow.cubicTo(QPointF(24, 25), QPointF(20, 27), QPointF(16, 27));
  p.drawPath(bow);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 70, 150));
  QPainterPath head;
  head.moveTo(3, 15);
  head.lineTo(13, 6);
  head.lineTo(14, 19);
  head.closeSubpath();
  p.drawPath(head);
}

void DrawGrid(QPainter& p, const QColor& colour) {
  p.setPen(QPen(colour.darker(150), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 5, 26, 22));
  for (int x = 3; x <= 29; x += 8) p.drawLine(QPointF(x + 2, 5), QPointF(x + 2, 27));
  for (int y = 5; y <= 27; y += 6) p.drawLine(QPointF(3, y + 1), QPointF(29, y + 1));
}

void DrawXLImport(QPainter& p) {
  DrawGrid(p, QColor(30, 120, 60));
  p.setPen(QPen(QColor(20, 110, 50), 3));
  p.drawLine(QPointF(9, 10), QPointF(21, 24));
  p.drawLine(QPointF(21, 10), QPointF(9, 24));
}

void DrawDelays(QPainter& p) {
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  p.setBrush(QColor(250, 250, 235));
  p.drawEllipse(QPointF(16, 16), 12, 12);
  p.setPen(QPen(QColor(30, 30, 120), 2));
  p.drawLine(QPointF(16, 16), QPointF(16, 8));
  p.drawLine(QPointF(16, 16), QPointF(22, 19));
}

void DrawCommands(QPainter& p) {
  Page(p, QRectF(6, 3, 20, 26));
  p.setPen(QPen(QColor(30, 30, 120), 1.5));
  QFont f = p.font();
  f.setPixelSize(9);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRectF(7, 7, 18, 10), Qt::AlignCenter, QStringLiteral("^S"));
  Lines(p, QRectF(9, 16, 12, 10), 2);
}

void DrawOptions(QPainter& p) {
  p.setPen(QPen(QColor(70, 70, 70), 1.5));
  p.setBrush(QColor(170, 170, 180));
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(16, 16);
    p.rotate(45.0 * i);
    p.drawRect(QRectF(-3, -14, 6, 6));
    p.restore();
  }
  p.drawEllipse(QPointF(16, 16), 9, 9);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16, 16), 3.5, 3.5);
}

void DrawSource(QPainter& p, bool hide) {
  Page(p, QRectF(5, 3, 20, 26));
  p.setPen(QPen(QColor(30, 100, 30), 2));
  p.drawLine(QPointF(12, 11), QPointF(8, 15));
  p.drawLine(QPointF(8, 15), QPointF(12, 19));
  p.drawLine(QPointF(18, 11), QPointF(22, 15));
  p.drawLine(QPointF(22, 15), QPointF(18, 19));
  if (hide) {
    p.setPen(QPen(QColor(200, 30, 30), 3));
    p.drawLine(QPointF(5, 27), QPointF(27, 5));
  }
}

void DrawSendData(QPainter& p) {
  p.setPen(QPen(QColor(20, 90, 20), 1.5));
  p.setBrush(QColor(60, 170, 60));
  QPainterPath arrow;
  arrow.moveTo(5, 11);
  arrow.lineTo(17, 11);
  arrow.lineTo(17, 5);
  arrow.lineTo(29, 16);
  arrow.lineTo(17, 27);
  arrow.lineTo(17, 21);
  arrow.lineTo(5, 21);
  arrow.closeSubpath();
  p.drawPath(arrow);
}

void DrawHelp(QPainter& p) {
  p.setPen(QPen(QColor(20, 50, 130), 1.5));
  p.setBrush(QColor(70, 120, 210));
  p.drawEllipse(QPointF(16, 16), 13, 13);
  QFont f = p.font();
  f.setPixelSize(20);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawProgram(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
  p.setPen(QPen(QColor(230, 40, 40), 3));
  p.drawLine(QPointF(7, 9), QPointF(25, 9));
  p.drawLine(QPointF(16, 9), QPointF(16, 26));
  p.setPen(QPen(Qt::white, 2));
  p.drawLine(QPointF(20, 22), QPointF(27, 22));
}

}  // namespace

QIcon ToolbarIcon(const QString& name) {
  static const std::map<QString, std::function<void(QPainter&)>> painters = {
      {QStringLiteral("New"), DrawNew},
      {QStringLiteral("Open"), DrawOpen},
      {QStringLiteral("Save"), DrawSave},
      {QStringLiteral("Cut"), DrawCut},
      {QStringLiteral("Copy"), DrawCopy},
      {QStringLiteral("Paste"), DrawPaste},
      {QStringLiteral("Undo"), [](QPainter& p) { DrawTurn(p, false); }},
      {QStringLiteral("Redo"), [](QPainter& p) { DrawTurn(p, true); }},
      {QStringLiteral("XLImport"), DrawXLImport},
      {QStringLiteral("Delays"), DrawDelays},
      {QStringLiteral("Commands"), DrawCommands},
      {QStringLiteral("Options"), DrawOptions},
      {QStringLiteral("ViewSource"), [](QPainter& p) { DrawSource(p, false); }},
      {QStringLiteral("HideSource"), [](QPainter& p) { DrawSource(p, true); }},
      {QStringLiteral("SendData"), DrawSendData},
      {QStringLiteral("Help"), DrawHelp},
      {QStringLiteral("Typelane"), DrawProgram},
  };
  const auto it = painters.find(name);
  if (it == painters.end()) return QIcon();
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  it->second(painter);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace typelane::ui
