// The real windows, driven headless: a widget application on the offscreen platform (no display
// needed) and the C locale, whatever the machine's regional settings.
//
// The offscreen platform is given two screens: a desktop's 1920×1080, where the windows open
// unless a case says otherwise, and beside it the smallest screen the program is used on, a
// netbook's 1024×600 (named "1024x600"), where a case can open a window to see that it fits.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <clocale>

#include "gui/main/guarded_application.h"

int main(int argc, char** argv) {
  QTemporaryDir screens;
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    QFile config(screens.filePath(QStringLiteral("screens.json")));
    if (screens.isValid() && config.open(QIODevice::WriteOnly)) {
      config.write(R"({"screens": [
        {"name": "1920x1080", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1},
        {"name": "1024x600", "x": 1920, "y": 0, "width": 1024, "height": 600, "logicalDpi": 96, "dpr": 1}]})");
      config.close();
      qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    } else {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  // As in the program: what escapes an event handler is reported, not fatal.
  chromaflow::GuardedApplication application(argc, argv);
  // After the application, which takes the environment's locale.
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale::c());
  return RUN_ALL_TESTS();
}
