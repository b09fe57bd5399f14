#pragma once
// A sunken panel showing a figure that the operator clicks to change (LitresP1, Distance,
// PCorrect, PCorrectMin...): a label that reports the click. The figure is the session's; the
// panel only shows it.

#include <QLabel>

namespace chromaflow {

class ClickablePanel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickablePanel(QWidget* parent = nullptr);

  // A panel that holds labels of its own in a layout (PCorrect: the figure and "%") is as large
  // as they need: a label's hint counts only its own text.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace chromaflow
