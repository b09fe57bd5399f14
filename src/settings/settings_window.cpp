#include "settings/settings_window.h"

#include "app/session.h"
#include "ui_settings_window.h"

namespace chromaflow {

SettingsWindow::SettingsWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), ui_(std::make_unique<Ui::FSettings>()) {
  ui_->setupUi(this);
}

SettingsWindow::~SettingsWindow() = default;

}  // namespace chromaflow
