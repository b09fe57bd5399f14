#include "plan/colour_window.h"

#include "app/session.h"
#include "ui_colour_window.h"

namespace chromaflow {

ColourWindow::ColourWindow(Session& session, ImageForm& picker, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FColFProp>()) {
  ui_->setupUi(this);
  (void)picker;
}

ColourWindow::~ColourWindow() = default;

}  // namespace chromaflow
