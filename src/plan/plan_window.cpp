#include "plan/plan_window.h"

#include "app/session.h"
#include "ui_plan_window.h"

namespace chromaflow {

PlanWindow::PlanWindow(Session& session, SurfaceEditorWindow& surfaceEditor, ProportionEditorWindow& proportionEditor,
             QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FSurfProp>()) {
  ui_->setupUi(this);
  (void)surfaceEditor;
  (void)proportionEditor;
}

PlanWindow::~PlanWindow() = default;

}  // namespace chromaflow
