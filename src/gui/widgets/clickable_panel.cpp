#include "gui/widgets/clickable_panel.h"

#include <QLayout>
#include <QMouseEvent>

namespace chromaflow {

ClickablePanel::ClickablePanel(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
}

QSize ClickablePanel::sizeHint() const {
  const QSize own = QLabel::sizeHint();
  return layout() ? own.expandedTo(layout()->sizeHint()) : own;
}

QSize ClickablePanel::minimumSizeHint() const {
  const QSize own = QLabel::minimumSizeHint();
  return layout() ? own.expandedTo(layout()->minimumSize()) : own;
}

void ClickablePanel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  // A click is a press and a release on the panel; a release dragged out of it is no click.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
    Q_EMIT clicked();
}

}  // namespace chromaflow
