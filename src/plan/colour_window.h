#pragma once
// FColFProp, "Couleurs=f(Proportions)": the colour table, its chart of red, green and blue along
// the proportions and its colour bar. A row opens the colour picker on it.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FColFProp;
}

namespace chromaflow {

class Session;
class ImageForm;

class ColourWindow : public QDialog {
 public:
  explicit ColourWindow(Session& session, ImageForm& picker, QWidget* parent = nullptr);
  ~ColourWindow() override;

 private:
  Session& session_;
  std::unique_ptr<Ui::FColFProp> ui_;
};

}  // namespace chromaflow
