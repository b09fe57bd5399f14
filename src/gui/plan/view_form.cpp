#include "gui/plan/view_form.h"

#include "core/session/session.h"
#include "gui/widgets/modeless_window.h"
#include "gui/widgets/picture_view.h"
#include "ui_view_form.h"

namespace chromaflow {

ViewForm::ViewForm(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FViewForm>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
}

ViewForm::~ViewForm() = default;

void ViewForm::showPicture(const QImage& picture) {
  // The picture keeps its own size; the scroll area moves over it.
  ui_->Image1->setFixedSize(picture.isNull() ? QSize(0, 0) : picture.size());
  ui_->Image1->setPicture(picture);
}

const QImage& ViewForm::picture() const { return ui_->Image1->picture(); }

void ViewForm::showFullSize(const QString& caption) {
  setWindowTitle(caption);
  keepReachable(*this);
  showNormal();
  raise();
  activateWindow();
}

}  // namespace chromaflow
