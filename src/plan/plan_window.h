#pragma once
// FSurfProp, "Surfaces et proportions": the plan's two tables, the hose's initial conditions and
// the plan's file menu. A cell opens the row editor of its table.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FSurfProp;
}

namespace chromaflow {

class Session;
class SurfaceEditorWindow;
class ProportionEditorWindow;

class PlanWindow : public QDialog {
 public:
  explicit PlanWindow(Session& session, SurfaceEditorWindow& surfaceEditor, ProportionEditorWindow& proportionEditor,
             QWidget* parent = nullptr);
  ~PlanWindow() override;

 private:
  Session& session_;
  std::unique_ptr<Ui::FSurfProp> ui_;
};

}  // namespace chromaflow
