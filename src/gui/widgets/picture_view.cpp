#include "gui/widgets/picture_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRectF>

#include "gui/drawing/main_pictures.h"

namespace chromaflow {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);  // read-outs follow the pointer without a button held
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::setPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

QImage PictureView::blankPicture() const {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(qColourOf(kButtonFace));
  return image;
}

void PictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The window's colour under the picture, unless an opaque picture covers the whole view.
  const QRectF shown(QPointF(0, 0), picture_.deviceIndependentSize());
  if (picture_.hasAlphaChannel() || !shown.contains(QRectF(rect()))) painter.fillRect(rect(), palette().window());
  painter.drawImage(0, 0, picture_);
}

void PictureView::mousePressEvent(QMouseEvent* event) { Q_EMIT pressed(event->position().toPoint(), event->button()); }
void PictureView::mouseMoveEvent(QMouseEvent* event) { Q_EMIT moved(event->position().toPoint()); }
void PictureView::mouseReleaseEvent(QMouseEvent* event) {
  Q_EMIT released(event->position().toPoint(), event->button());
}
void PictureView::mouseDoubleClickEvent(QMouseEvent* event) { Q_EMIT doubleClicked(event->position().toPoint()); }
void PictureView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Q_EMIT resized(event->size());
}

}  // namespace chromaflow
