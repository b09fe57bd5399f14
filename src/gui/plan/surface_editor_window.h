#pragma once
// FSurface, "Surface": one row of the surface table, its height and length and the area.
// Created once at start and only hidden and shown again; the plan window opens it on a row. The
// fields and the area are the session's; the window shows them and forwards every keystroke,
// every leaving of a field and every button.

#include <QDialog>

#include <memory>
#include <vector>

#include "core/common/signal.h"

namespace Ui {
class FSurface;
}

namespace chromaflow {

class Session;
enum class EditorButton;

class SurfaceEditorWindow : public QDialog {
 public:
  explicit SurfaceEditorWindow(Session& session, QWidget* parent = nullptr);
  ~SurfaceEditorWindow() override;

  // Shows the editor on row `row` of the surface table (n + 1: the " +" row), its fields loaded
  // from that row.
  void openOnRow(int row);

  // Escape and the close box: "Annuler".
  void reject() override;

 private:
  void press(EditorButton button);
  void showFields();

  Session& session_;
  std::unique_ptr<Ui::FSurface> ui_;
  // Last, so that the window stops listening before its widgets go.
  Subscription editorChanged_;
  std::vector<std::unique_ptr<QObject>> leaving_;  // the fields' leaving watches
};

}  // namespace chromaflow
