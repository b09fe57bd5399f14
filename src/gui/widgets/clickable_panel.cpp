#include "gui/widgets/clickable_panel.h"

#include <QMouseEvent>

namespace chromaflow {

ClickablePanel::ClickablePanel(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
}

void ClickablePanel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  // A click is a press and a release on the panel; a release dragged out of it is no click.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
    Q_EMIT clicked();
}

}  // namespace chromaflow
