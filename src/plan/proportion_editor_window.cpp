#include "plan/proportion_editor_window.h"

#include "app/session.h"
#include "ui_proportion_editor_window.h"

namespace chromaflow {

ProportionEditorWindow::ProportionEditorWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FPropDist>()) {
  ui_->setupUi(this);
}

ProportionEditorWindow::~ProportionEditorWindow() = default;

void ProportionEditorWindow::openOnRow(int row) {
  (void)row;
  show();
}

}  // namespace chromaflow
