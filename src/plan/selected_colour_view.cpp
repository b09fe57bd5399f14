#include "plan/selected_colour_view.h"

#include "app/session.h"
#include "ui_selected_colour_view.h"

namespace chromaflow {

SelectedColourView::SelectedColourView(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::Ffullcolorview>()) {
  ui_->setupUi(this);
}

SelectedColourView::~SelectedColourView() = default;

}  // namespace chromaflow
