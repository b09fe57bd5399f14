#include "gui/plan/full_colour_view.h"

#include "core/session/session.h"
#include "gui/drawing/main_pictures.h"
#include "ui_full_colour_view.h"

namespace chromaflow {

FullColourView::FullColourView(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FfullcolorviewReal>()) {
  ui_->setupUi(this);
  changes_ = session_.changed.subscribe([this](const Change& change) {
    if (change.has(Changed::Figures)) showPick();
  });
  showPick();
}

FullColourView::~FullColourView() = default;

void FullColourView::showPick() {
  const auto& pick = session_.surfacePick();
  if (!pick) return;
  const QColor colour = qColourOf(*pick);
  QPalette shown = palette();
  if (shown.color(QPalette::Window) == colour) return;
  shown.setColor(QPalette::Window, colour);
  setPalette(shown);
}

}  // namespace chromaflow
