#pragma once
// One of the main window's images: shows a picture the drawing module made and reports what the
// pointer does over it, in the picture's pixels. It draws nothing of its own.

#include <QImage>
#include <QWidget>

namespace chromaflow {

class PictureView : public QWidget {
  Q_OBJECT

 public:
  explicit PictureView(QWidget* parent = nullptr);

  void setPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }
  // A blank picture (the button face) of the view's size, at least one pixel, to draw on.
  QImage blankPicture() const;

 Q_SIGNALS:
  void pressed(QPoint at, Qt::MouseButton button);
  void moved(QPoint at);
  void released(QPoint at, Qt::MouseButton button);
  void doubleClicked(QPoint at);
  void resized(QSize size);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace chromaflow
