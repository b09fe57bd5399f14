#pragma once
// FColFProp, "Couleurs=f(Proportions)": the colour table, its chart of red, green and blue along
// the proportions and its colour bar. A row opens the colour picker on it.
//
// The window shows the table as the session holds it and forwards the operator's gestures: the
// file menu and tool bar, a row selected (the picker opens on it), coming to the front (the
// table is sorted and renumbered) and going behind another window (the main window's gauge and
// views take the new colours).

#include <QDialog>

#include <memory>

#include "core/common/signal.h"

class QLineSeries;

namespace Ui {
class FColFProp;
}

namespace chromaflow {

class Session;
class ImageForm;
class ColourGridModel;

class ColourWindow : public QDialog {
 public:
  explicit ColourWindow(Session& session, ImageForm& picker, QWidget* parent = nullptr);
  ~ColourWindow() override;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void buildChart();
  void wireMenu();
  void showTitle();
  void showRows();
  void showChart();
  void showColourBar();
  void openPickerOn(int gridRow);
  void cameToFront();
  void wentBehind();

  Session& session_;
  ImageForm& picker_;
  std::unique_ptr<Ui::FColFProp> ui_;
  ColourGridModel* rows_ = nullptr;  // the grid's model, owned by the grid
  QLineSeries* rouge_ = nullptr;
  QLineSeries* vert_ = nullptr;
  QLineSeries* bleu_ = nullptr;
  bool inFront_ = false;  // shown and active, as far as the session was told
  // Last, so that the window stops listening before its widgets go.
  Subscription coloursChanged_;
};

}  // namespace chromaflow
