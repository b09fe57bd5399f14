// The foreman's view, served on a free local port and asked as a browser would: an application
// on the offscreen platform (the charts are drawn with the job sheet's fonts), the C locale.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLocale>
#include <clocale>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QGuiApplication application(argc, argv);
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale::c());
  return RUN_ALL_TESTS();
}
