#include "gui/widgets/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace chromaflow {
namespace {

constexpr int kSize = 32;

QPixmap canvas() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void page(QPainter& p) {
  QPainterPath sheet;
  sheet.moveTo(7, 3);
  sheet.lineTo(20, 3);
  sheet.lineTo(26, 9);
  sheet.lineTo(26, 29);
  sheet.lineTo(7, 29);
  sheet.closeSubpath();
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.setBrush(Qt::white);
  p.drawPath(sheet);
  p.drawLine(QPointF(20, 3), QPointF(20, 9));
  p.drawLine(QPointF(20, 9), QPointF(26, 9));
}

QPixmap drawn(ToolIcon which) {
  QPixmap pixmap = canvas();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (which) {
    case ToolIcon::New:
      page(p);
      p.setPen(QPen(QColor(0, 128, 0), 2.5));
      p.drawLine(12, 19, 21, 19);
      p.drawLine(16, 15, 16, 24);
      break;
    case ToolIcon::Open: {
      p.setPen(QPen(QColor(120, 80, 0), 1.5));
      p.setBrush(QColor(240, 200, 90));
      p.drawRect(QRectF(3, 8, 24, 19));
      p.setBrush(QColor(250, 220, 120));
      QPolygonF flap({QPointF(7, 14), QPointF(30, 14), QPointF(26, 27), QPointF(3, 27)});
      p.drawPolygon(flap);
      break;
    }
    case ToolIcon::Save:
      p.setPen(QPen(QColor(20, 40, 90), 1.5));
      p.setBrush(QColor(50, 90, 170));
      p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9, 4, 14, 9));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(8, 18, 16, 10));
      break;
    case ToolIcon::Print:
      p.setPen(QPen(QColor(60, 60, 60), 1.5));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9, 3, 14, 10));
      p.setBrush(QColor(150, 150, 150));
      p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(9, 20, 14, 9));
      break;
    case ToolIcon::Surface:
      // Three surfaces side by side, as the surface view draws them.
      p.setPen(QPen(QColor(60, 60, 60), 1.2));
      p.setBrush(QColor(230, 200, 160));
      p.drawRect(QRectF(2, 10, 9, 19));
      p.setBrush(QColor(210, 150, 110));
      p.drawRect(QRectF(11, 4, 10, 25));
      p.setBrush(QColor(180, 90, 70));
      p.drawRect(QRectF(21, 14, 9, 15));
      break;
    case ToolIcon::Colours: {
      QLinearGradient band(0, 0, kSize, 0);
      band.setColorAt(0, QColor(235, 215, 170));
      band.setColorAt(1, QColor(170, 60, 40));
      p.setPen(QPen(QColor(60, 60, 60), 1.2));
      p.setBrush(band);
      p.drawRect(QRectF(2, 16, 28, 13));
      p.setPen(QPen(Qt::black, 2));
      p.drawLine(QPointF(3, 13), QPointF(29, 3));
      break;
    }
  }
  return pixmap;
}

const char* themeName(ToolIcon which) {
  switch (which) {
    case ToolIcon::New: return "document-new";
    case ToolIcon::Open: return "document-open";
    case ToolIcon::Save: return "document-save";
    case ToolIcon::Print: return "document-print";
    case ToolIcon::Surface: return "";
    case ToolIcon::Colours: return "";
  }
  return "";
}

}  // namespace

QIcon toolIcon(ToolIcon which) {
  const QIcon own(drawn(which));
  const QString name = QString::fromLatin1(themeName(which));
  return name.isEmpty() ? own : QIcon::fromTheme(name, own);
}

QPixmap programLogo(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  // The band of paint, from sand to brick, as the plan's gradient lays it.
  QLinearGradient band(4, 0, 60, 0);
  band.setColorAt(0, QColor(236, 214, 160));
  band.setColorAt(1, QColor(178, 70, 46));
  p.setPen(Qt::NoPen);
  p.setBrush(band);
  p.drawRoundedRect(QRectF(4, 36, 56, 22), 3, 3);
  // The roller and its handle.
  p.setPen(QPen(QColor(40, 40, 40), 3));
  p.setBrush(QColor(250, 250, 250));
  p.drawRoundedRect(QRectF(14, 8, 40, 14), 6, 6);
  p.drawLine(QPointF(54, 15), QPointF(60, 15));
  p.drawLine(QPointF(60, 15), QPointF(60, 28));
  p.drawLine(QPointF(60, 28), QPointF(34, 30));
  p.setPen(QPen(QColor(40, 40, 40), 5));
  p.drawLine(QPointF(34, 30), QPointF(34, 46));
  return pixmap;
}

}  // namespace chromaflow
