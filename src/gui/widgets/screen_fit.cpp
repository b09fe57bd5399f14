#include "gui/widgets/screen_fit.h"

#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace chromaflow {
namespace {

// The frame the desktop puts about a window: known once a window was shown; before, the one of the
// window it opens over, else a title bar's height.
QMargins frameOf(const QWidget& window) {
  const auto shownFrame = [](const QWidget& w) {
    const QRect frame = w.frameGeometry(), inner = w.geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
  };
  if (window.testAttribute(Qt::WA_WState_Created) && window.frameGeometry() != window.geometry())
    return shownFrame(window);
  if (const QWidget* parent = window.parentWidget())
    if (parent->window()->isVisible()) return shownFrame(*parent->window());
  return {0, window.style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0};
}

}  // namespace

void ScreenFit::fit(QWidget& window) {
  if (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
  // A dialog opens over the window it belongs to, on that window's screen.
  const QWidget& anchor = window.parentWidget() ? *window.parentWidget()->window() : window;
  QScreen* screen = anchor.screen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  const QMargins frame = frameOf(window);
  const QSize most(room.width() - frame.left() - frame.right(), room.height() - frame.top() - frame.bottom());
  const QSize size = window.size().boundedTo(most).expandedTo(window.minimumSize());
  if (size != window.size()) window.resize(size);
  // Placed by the program, or already shown (a dialog is placed over its window as it shows):
  // moved inside.
  if (window.testAttribute(Qt::WA_Moved) || window.isVisible()) {
    const QSize outer(size.width() + frame.left() + frame.right(), size.height() + frame.top() + frame.bottom());
    const QPoint at = window.pos();  // the frame's top left corner
    const QPoint inside(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())),
                        std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
    if (inside != at) window.move(inside);
  }
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto& widget = static_cast<QWidget&>(*watched);
    const Qt::WindowType type = widget.windowType();
    if (widget.isWindow() && (type == Qt::Window || type == Qt::Dialog) && !event->spontaneous()) fit(widget);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace chromaflow
