#pragma once
// FSettings, "Propriétés": the machine settings in six tabs, with their charts and the pictures
// that explain the hose delay and the mixing filter.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FSettings;
}

namespace chromaflow {

class Session;

class SettingsWindow : public QDialog {
 public:
  explicit SettingsWindow(Session& session, QWidget* parent = nullptr);
  ~SettingsWindow() override;

 private:
  Session& session_;
  std::unique_ptr<Ui::FSettings> ui_;
};

}  // namespace chromaflow
