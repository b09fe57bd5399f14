// The pictures are drawn as the program would, with a GUI application on the offscreen
// platform (no display needed) and the C locale.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLocale>

#include <clocale>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QGuiApplication application(argc, argv);
  // After the application, which takes the environment's locale.
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale::c());
  return RUN_ALL_TESTS();
}
