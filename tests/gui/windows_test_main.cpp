// The real windows, driven headless: a widget application on the offscreen platform (no display
// needed) and the C locale, whatever the machine's regional settings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include <clocale>

#include "gui/main/guarded_application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  // As in the program: what escapes an event handler is reported, not fatal.
  chromaflow::GuardedApplication application(argc, argv);
  // After the application, which takes the environment's locale.
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale::c());
  return RUN_ALL_TESTS();
}
