#include "gui/widgets/modeless_window.h"

#include <QApplication>
#include <QWidget>

namespace chromaflow {

void keepReachable(QWidget& window) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == &window || modal == window.parentWidget() || window.isAncestorOf(modal)) return;
  const bool wasVisible = window.isVisible();
  window.setParent(modal, window.windowFlags());  // this hides it
  if (wasVisible) window.show();
}

}  // namespace chromaflow
