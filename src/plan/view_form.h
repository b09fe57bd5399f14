#pragma once
// FViewForm: the picture of the image viewer at full size, scrolled.

#include <QDialog>

#include <memory>

#include "common/signal.h"

namespace Ui {
class FViewForm;
}

namespace chromaflow {

class Session;

class ViewForm : public QDialog {
 public:
  explicit ViewForm(Session& session, QWidget* parent = nullptr);
  ~ViewForm() override;

 private:
  Session& session_;
  std::unique_ptr<Ui::FViewForm> ui_;
};

}  // namespace chromaflow
