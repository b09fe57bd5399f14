#pragma once
// FSurface, "Surface": one row of the surface table, its height and length and the area.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FSurface;
}

namespace chromaflow {

class Session;

class SurfaceEditorWindow : public QDialog {
 public:
  explicit SurfaceEditorWindow(Session& session, QWidget* parent = nullptr);
  ~SurfaceEditorWindow() override;

  // Shows the editor on row `row` of the surface table (n: the " +" row).
  void openOnRow(int row);

 private:
  Session& session_;
  std::unique_ptr<Ui::FSurface> ui_;
};

}  // namespace chromaflow
