#include "gui/widgets/status_panel.h"

namespace chromaflow {

StatusPanel::StatusPanel(int width, QWidget* parent) : QLabel(parent), width_(width) { setMinimumWidth(width); }

QSize StatusPanel::minimumSizeHint() const { return {width_, QLabel::minimumSizeHint().height()}; }

}  // namespace chromaflow
