#pragma once
// FfullcolorviewReal, "Proportion réelle - Couleur sélectionnée": the colour picked on the main
// window's surface view, over a whole window, to judge it as it will look on the wall.

#include <QDialog>

#include <memory>

#include "core/common/signal.h"

namespace Ui {
class FfullcolorviewReal;
}

namespace chromaflow {

class Session;

class FullColourView : public QDialog {
 public:
  explicit FullColourView(Session& session, QWidget* parent = nullptr);
  ~FullColourView() override;

 private:
  void showPick();

  Session& session_;
  std::unique_ptr<Ui::FfullcolorviewReal> ui_;
  Subscription changes_;
};

}  // namespace chromaflow
