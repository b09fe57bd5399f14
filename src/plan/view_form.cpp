#include "plan/view_form.h"

#include "app/session.h"
#include "ui_view_form.h"

namespace chromaflow {

ViewForm::ViewForm(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FViewForm>()) {
  ui_->setupUi(this);
}

ViewForm::~ViewForm() = default;

}  // namespace chromaflow
