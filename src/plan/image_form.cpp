#include "plan/image_form.h"

#include "app/session.h"
#include "ui_image_form.h"

namespace chromaflow {

ImageForm::ImageForm(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FImageForm>()) {
  ui_->setupUi(this);
}

ImageForm::~ImageForm() = default;

void ImageForm::openOnRow(int row) {
  (void)row;
  show();
}

void ImageForm::attach(ViewForm& fullPicture, SelectedColourView& selectedColour) {
  (void)fullPicture;
  (void)selectedColour;
}

}  // namespace chromaflow
