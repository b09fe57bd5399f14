#pragma once
// FmAboutBox, "A propos de Chromaflow": made when asked for, shown modally, gone when closed.

#include <QDialog>

#include <memory>

namespace Ui {
class FmAboutBox;
}

namespace chromaflow {

class AboutBox : public QDialog {
 public:
  explicit AboutBox(QWidget* parent = nullptr);
  ~AboutBox() override;

 private:
  std::unique_ptr<Ui::FmAboutBox> ui_;
};

}  // namespace chromaflow
