#pragma once
// FImageForm, "Visualiseur d'image": a picture browser to pick a row's colour from, with the
// R, G, B fields and bars and the row's proportion.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FImageForm;
}

namespace chromaflow {

class Session;
class ViewForm;
class SelectedColourView;

class ImageForm : public QDialog {
 public:
  explicit ImageForm(Session& session, QWidget* parent = nullptr);
  ~ImageForm() override;

  // The windows the picker shows the picture and the picked colour in (created after it).
  void attach(ViewForm& fullPicture, SelectedColourView& selectedColour);
  // Shows the picker on row `row` of the colour table, counted from 1 (n + 1: a new row).
  void openOnRow(int row);

 private:
  Session& session_;
  std::unique_ptr<Ui::FImageForm> ui_;
};

}  // namespace chromaflow
