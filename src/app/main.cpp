// chromaflow: the desktop program. Drives the K8000 card on the parallel port, or the
// simulated paint machine when no card can be reached.

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>

#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_timers.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Chromaflow - Velmora "));
  QApplication::setApplicationDisplayName(QStringLiteral("Chromaflow - Velmora "));

  chromaflow::QtTimerSource timers;
  QElapsedTimer clock;
  clock.start();
  chromaflow::Program program({timers, [&clock] { return clock.elapsed(); }});
  // Maximised; where no window manager maximises (a bare X server), it still fills the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    program.mainWindow().setGeometry(screen->availableGeometry());
  program.mainWindow().showMaximized();
  return QApplication::exec();
}
