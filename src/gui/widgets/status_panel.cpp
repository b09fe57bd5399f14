#include "gui/widgets/status_panel.h"

#include <algorithm>

namespace chromaflow {

StatusPanel::StatusPanel(int width, int widest, QWidget* parent)
    : QLabel(parent), width_(width), widest_(std::max(width, widest)) {
  setMinimumWidth(width);
}

QSize StatusPanel::minimumSizeHint() const { return {width_, QLabel::minimumSizeHint().height()}; }

QSize StatusPanel::sizeHint() const {
  const QSize text = QLabel::sizeHint();
  return {std::clamp(text.width(), width_, widest_), text.height()};
}

}  // namespace chromaflow
