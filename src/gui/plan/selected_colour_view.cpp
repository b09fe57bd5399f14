#include "gui/plan/selected_colour_view.h"

#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "gui/widgets/modeless_window.h"
#include "ui_selected_colour_view.h"

namespace chromaflow {

SelectedColourView::SelectedColourView(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::Ffullcolorview>()) {
  ui_->setupUi(this);
}

SelectedColourView::~SelectedColourView() = default;

void SelectedColourView::showColour(Rgb colour) {
  QPalette shown = palette();
  shown.setColor(QPalette::Window, qColourOf(colour));
  setPalette(shown);
  keepReachable(*this);
  showMaximized();
  raise();
  activateWindow();
}

Rgb SelectedColourView::colour() const {
  const QColor shown = palette().color(QPalette::Window);
  return rgbOf(shown.red(), shown.green(), shown.blue());
}

}  // namespace chromaflow
