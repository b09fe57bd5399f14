#include "plan/surface_editor_window.h"

#include "app/session.h"
#include "ui_surface_editor_window.h"

namespace chromaflow {

SurfaceEditorWindow::SurfaceEditorWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FSurface>()) {
  ui_->setupUi(this);
}

SurfaceEditorWindow::~SurfaceEditorWindow() = default;

void SurfaceEditorWindow::openOnRow(int row) {
  (void)row;
  show();
}

}  // namespace chromaflow
