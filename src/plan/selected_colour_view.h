#pragma once
// Ffullcolorview, "Couleur sélectionnée": the colour picked in the image viewer over a whole
// window.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class Ffullcolorview;
}

namespace chromaflow {

class Session;

class SelectedColourView : public QDialog {
 public:
  explicit SelectedColourView(Session& session, QWidget* parent = nullptr);
  ~SelectedColourView() override;

 private:
  Session& session_;
  std::unique_ptr<Ui::Ffullcolorview> ui_;
};

}  // namespace chromaflow
