#pragma once
// FTestInterface, "Test complet de la carte d'interface": every channel of the K8000 card shown
// and set by hand, refreshed on every reading-cycle tick.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FTestInterface;
}

namespace chromaflow {

class Session;

class CardTestWindow : public QDialog {
 public:
  explicit CardTestWindow(Session& session, QWidget* parent = nullptr);
  ~CardTestWindow() override;

 private:
  Session& session_;
  std::unique_ptr<Ui::FTestInterface> ui_;
};

}  // namespace chromaflow
