#pragma once
// FPropDist, "Proportions = f(distance)": one row of the proportion table, its distance and
// proportion, with the proportion bar and the colour it gives. Created once at start and only
// hidden and shown again; the plan window opens it on a row. The fields and the colour are the
// session's; the window shows them and forwards the typing, the spin, the bar's drag and every
// button. A refused entry is warned of through the session's asker and keeps the editor open.

#include <QDialog>

#include <memory>
#include <vector>

#include "core/common/signal.h"

namespace Ui {
class FPropDist;
}

namespace chromaflow {

class Session;
enum class EditorButton;

class ProportionEditorWindow : public QDialog {
 public:
  explicit ProportionEditorWindow(Session& session, QWidget* parent = nullptr);
  ~ProportionEditorWindow() override;

  // Shows the editor on row `row` of the proportion table (m + 1: the " +" row), its fields
  // loaded from that row.
  void openOnRow(int row);

  // Escape and the close box: "Annuler".
  void reject() override;

 private:
  void press(EditorButton button);
  void pointBar(int x, bool leftButtonDown);
  void showFields();
  void drawProportionBar();
  void drawColourBar();

  Session& session_;
  std::unique_ptr<Ui::FPropDist> ui_;
  bool draggingBar_ = false;  // the left button went down on the proportion bar
  // Last, so that the window stops listening before its widgets go.
  Subscription editorChanged_;
  std::vector<std::unique_ptr<QObject>> leaving_;  // the fields' leaving watches
};

}  // namespace chromaflow
