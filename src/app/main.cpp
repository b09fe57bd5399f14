// chromaflow: the desktop program. Drives the K8000 card on the parallel port, or the
// simulated paint machine when no card can be reached.

#include <QApplication>
#include <QElapsedTimer>

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
  program.mainWindow().showMaximized();
  return QApplication::exec();
}
