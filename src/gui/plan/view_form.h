#pragma once
// FViewForm: the picture of the image viewer at full size, scrolled.

#include <QDialog>
#include <QImage>

#include <memory>

#include "core/common/signal.h"

namespace Ui {
class FViewForm;
}

namespace chromaflow {

class Session;

class ViewForm : public QDialog {
 public:
  explicit ViewForm(Session& session, QWidget* parent = nullptr);
  ~ViewForm() override;

  // The picture the viewer loaded, at its own size.
  void showPicture(const QImage& picture);
  const QImage& picture() const;
  // "&Image complète": the viewer's caption, then shown in its normal state; the scroll bars
  // reach over the whole picture.
  void showFullSize(const QString& caption);

 private:
  Session& session_;
  std::unique_ptr<Ui::FViewForm> ui_;
};

}  // namespace chromaflow
