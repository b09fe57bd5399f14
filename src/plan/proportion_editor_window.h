#pragma once
// FPropDist, "Proportions = f(distance)": one row of the proportion table, its distance and
// proportion, with the proportion bar and the colour it gives.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FPropDist;
}

namespace chromaflow {

class Session;

class ProportionEditorWindow : public QDialog {
 public:
  explicit ProportionEditorWindow(Session& session, QWidget* parent = nullptr);
  ~ProportionEditorWindow() override;

  // Shows the editor on row `row` of the proportion table (n: the " +" row).
  void openOnRow(int row);

 private:
  Session& session_;
  std::unique_ptr<Ui::FPropDist> ui_;
};

}  // namespace chromaflow
