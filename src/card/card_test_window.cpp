#include "card/card_test_window.h"

#include "app/session.h"
#include "ui_card_test_window.h"

namespace chromaflow {

CardTestWindow::CardTestWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FTestInterface>()) {
  ui_->setupUi(this);
}

CardTestWindow::~CardTestWindow() = default;

}  // namespace chromaflow
