#pragma once
// FSurfProp, "Surfaces et proportions": the plan's two tables, the hose's initial conditions and
// the plan's file menu. A cell opens the row editor of its table.
//
// The window holds nothing of the plan: its grids read the session's tables as they paint them,
// so that a change costs them no more than the rows it adds; the rest is shown once per change,
// and each gesture is forwarded. Showing it recomputes the tables; leaving it (another window
// coming to the front, a row editor included, or closing it) lets the main window redraw its views.

#include <QDialog>

#include <memory>

#include "core/common/signal.h"

namespace Ui {
class FSurfProp;
}

namespace chromaflow {

class Session;
class SurfaceEditorWindow;
class ProportionEditorWindow;
class SurfaceGridModel;
class ProportionGridModel;
struct Change;

class PlanWindow : public QDialog {
 public:
  explicit PlanWindow(Session& session, SurfaceEditorWindow& surfaceEditor, ProportionEditorWindow& proportionEditor,
                      QWidget* parent = nullptr);
  ~PlanWindow() override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void onChanged(const Change& change);
  void showSurfaceRows();
  void showProportionRows();
  void showHoseConditions();
  void showStartProportion();  // the spin field, the panel "Couleur" and the proportion bar
  void showColourBar();
  void showTitle();

  // A cell (or the number) of grid row `gridRow`, counted from 0 under the headings, was
  // selected: the row editor opens on it, the " +" row being the one after the table's last.
  void openSurfaceRow(int gridRow);
  void openProportionRow(int gridRow);
  void pointStartProportionBar(QPoint at);
  void leave();

  Session& session_;
  SurfaceEditorWindow& surfaceEditor_;
  ProportionEditorWindow& proportionEditor_;
  std::unique_ptr<Ui::FSurfProp> ui_;
  // The grids' models, each owned by its grid.
  SurfaceGridModel* surfaceRows_ = nullptr;
  ProportionGridModel* proportionRows_ = nullptr;
  bool barButtonHeld_ = false;  // the left button went down on the proportion bar
  bool entered_ = false;        // shown or activated, and not left since
  // Last, so that the window stops listening before its widgets go.
  Subscription changed_;
};

}  // namespace chromaflow
