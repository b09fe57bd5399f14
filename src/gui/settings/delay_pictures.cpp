#include "gui/settings/delay_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace chromaflow {
namespace {

// The plot: the path along x, the proportion at the roller up from the bottom (0 %) to the top
// (100 %); the arrows go in the strip under it.
constexpr qreal kLeft = 5, kRight = 116, kTop = 5, kBottom = 39;
constexpr qreal kRiseStart = 41;  // the end of the delay: the new paint reaches the roller
constexpr qreal kRiseWidth = 30;  // the ramp's length: the paint the hose mixes
constexpr qreal kArrowY = 48;

const QColor kOldPaint(110, 200, 110);
const QColor kNewPaint(230, 70, 60);
const QColor kBackground(240, 240, 240);

// The share of new paint at x: none during the delay, then the mixing hose's rise, whose
// tangent at its start is the straight ramp.
qreal newPaintShare(qreal x) {
  if (x <= kRiseStart) return 0;
  return 1 - std::exp(-(x - kRiseStart) / kRiseWidth);
}

qreal yOfShare(qreal share) { return kBottom - share * (kBottom - kTop); }

QPainterPath curve() {
  QPainterPath path(QPointF(kLeft, kBottom));
  path.lineTo(kRiseStart, kBottom);
  for (qreal x = kRiseStart + 1; x <= kRight; x += 1) path.lineTo(x, yOfShare(newPaintShare(x)));
  return path;
}

void drawBase(QPainter& p) {
  p.fillRect(QRectF(0, 0, kDelayPictureSize.width(), kDelayPictureSize.height()), kBackground);
  const QRectF plot(QPointF(kLeft, kTop), QPointF(kRight, kBottom));
  p.fillRect(plot, kOldPaint);

  QPainterPath underCurve = curve();
  underCurve.lineTo(kRight, kBottom);
  underCurve.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kNewPaint);
  p.drawPath(underCurve);

  // The straight ramp the rise starts along, up to the full proportion.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 200), 1, Qt::DotLine));
  p.drawLine(QPointF(kRiseStart, kBottom), QPointF(kRiseStart + kRiseWidth, kTop));

  p.setPen(QPen(Qt::black, 1));
  p.drawPath(curve());
  // The axes: the path along the bottom, the proportion up the left, where the change is asked.
  p.drawLine(QPointF(kLeft, kTop - 2), QPointF(kLeft, kBottom));
  p.drawLine(QPointF(kLeft, kBottom), QPointF(kRight + 2, kBottom));
}

void arrowHead(QPainter& p, qreal x, qreal direction) {
  const QPolygonF head{{x, kArrowY}, {x - 4 * direction, kArrowY - 2.5}, {x - 4 * direction, kArrowY + 2.5}};
  p.drawPolygon(head);
}

// A double arrow under the plot from `from` to `to`, with guides up to the path.
void drawSpan(QPainter& p, qreal from, qreal to) {
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  p.drawLine(QPointF(from, kBottom + 2), QPointF(from, kArrowY + 4));
  p.drawLine(QPointF(to, kBottom + 2), QPointF(to, kArrowY + 4));
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(QPointF(from + 2, kArrowY), QPointF(to - 2, kArrowY));
  p.setBrush(Qt::black);
  arrowHead(p, from, -1);
  arrowHead(p, to, 1);
}

}  // namespace

QImage drawDelayPicture(DelayPicture which, qreal ratio) {
  QImage image(kDelayPictureSize * ratio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawBase(p);
  if (which == DelayPicture::Delay) drawSpan(p, kLeft, kRiseStart);
  if (which == DelayPicture::Filter) drawSpan(p, kRiseStart, kRiseStart + kRiseWidth);
  return image;
}

}  // namespace chromaflow
