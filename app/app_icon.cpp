#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// All drawing is on a 64 by 64 grid, scaled to the pixmap.
constexpr qreal kGrid = 64.0;

void DrawPage(QPainter& painter) {
  QPainterPath page;
  page.moveTo(6, 3);
  page.lineTo(34, 3);
  page.lineTo(46, 15);
  page.lineTo(46, 54);
  page.lineTo(6, 54);
  page.closeSubpath();
  painter.setPen(QPen(QColor(0x5a, 0x6b, 0x7d), 2));
  painter.setBrush(Qt::white);
  painter.drawPath(page);

  QPainterPath fold;
  fold.moveTo(34, 3);
  fold.lineTo(34, 15);
  fold.lineTo(46, 15);
  painter.setBrush(QColor(0xdd, 0xe4, 0xec));
  painter.drawPath(fold);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x3b, 0x82, 0xc4));
  painter.drawRect(QRectF(11, 9, 18, 4));  // the page's heading
  painter.setBrush(QColor(0x9a, 0xa9, 0xb8));
  for (const qreal y : {19.0, 25.0, 31.0}) painter.drawRect(QRectF(11, y, 30, 2.5));
  painter.setBrush(QColor(0x4c, 0xaf, 0x50));
  painter.drawRect(QRectF(11, 37, 12, 10));  // a picture on the page
}

void DrawArchiveBox(QPainter& painter) {
  const QRectF box(30, 32, 31, 29);
  painter.setPen(QPen(QColor(0x8a, 0x4b, 0x0c), 2));
  painter.setBrush(QColor(0xf0, 0x9a, 0x2b));
  painter.drawRoundedRect(box, 4, 4);
  painter.drawLine(QPointF(30, 41), QPointF(61, 41));  // the lid

  QPainterPath arrow;
  arrow.moveTo(42.5, 44);
  arrow.lineTo(48.5, 44);
  arrow.lineTo(48.5, 50);
  arrow.lineTo(53, 50);
  arrow.lineTo(45.5, 58);
  arrow.lineTo(38, 50);
  arrow.lineTo(42.5, 50);
  arrow.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPath(arrow);
}

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  PaintAppIcon(painter, size);
  return pixmap;
}

}  // namespace

void PaintAppIcon(QPainter& painter, int size) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kGrid, size / kGrid);
  DrawPage(painter);
  DrawArchiveBox(painter);
  painter.restore();
}

QIcon LoadAppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(DrawIcon(size));
  return icon;
}
