#pragma once
// Ffullcolorview, "Couleur sélectionnée": the colour picked in the image viewer over a whole
// window.

#include <QDialog>

#include <memory>

#include "core/common/signal.h"
#include "core/plan/colour_table.h"

namespace Ui {
class Ffullcolorview;
}

namespace chromaflow {

class Session;

class SelectedColourView : public QDialog {
 public:
  explicit SelectedColourView(Session& session, QWidget* parent = nullptr);
  ~SelectedColourView() override;

  // A click on the viewer's colour panel: the window takes the colour and shows it maximised.
  void showColour(Rgb colour);
  Rgb colour() const;

 private:
  Session& session_;
  std::unique_ptr<Ui::Ffullcolorview> ui_;
};

}  // namespace chromaflow
