#pragma once
// A panel of the status bar: as wide as its text when there is room, never narrower than its
// own width, and never making the window wider than the screen because its text is long (a read-
// out, the port's status with its remedy): the text is then cut at the panel's edge.

#include <QLabel>

namespace chromaflow {

class StatusPanel : public QLabel {
 public:
  // At least `width` pixels wide; asks for at most `widest` however long its text.
  StatusPanel(int width, int widest, QWidget* parent);
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 private:
  int width_;
  int widest_;
};

}  // namespace chromaflow
