#pragma once
// Every window of the program opens within the screen it opens on: a window (or dialog) about to
// be shown is made no larger than the screen's free part (without the desktop's panels), its
// title bar and frame counted, and one the program placed is moved back inside it. So a window
// drawn for a desktop's screen keeps all its buttons in sight on a netbook's 1024×600; what it
// then lacks in room its scroll areas and splitters give up. Installed once on the application,
// it sees the windows shown after; a window's own minimum size still has to fit such a screen.

#include <QObject>

class QWidget;

namespace chromaflow {

class ScreenFit : public QObject {
 public:
  using QObject::QObject;

  // The window bounded by its screen now, as it is before each showing; for a window that grows
  // while shown.
  static void fit(QWidget& window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace chromaflow
