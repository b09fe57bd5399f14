// The main of the window benchmarks: the application offscreen unless QT_QPA_PLATFORM says
// otherwise, in the C locale as the program's figures are written. The offscreen screen is a
// desktop's 1920×1200, so that every window is measured at the size the benchmark gives it (a
// window opens within its screen).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <clocale>

int main(int argc, char** argv) {
  QTemporaryDir screens;
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    QFile config(screens.filePath(QStringLiteral("screens.json")));
    if (screens.isValid() && config.open(QIODevice::WriteOnly)) {
      config.write(R"({"screens": [{"name": "1920x1200", "x": 0, "y": 0, "width": 1920, "height": 1200,
                                    "logicalDpi": 96, "dpr": 1}]})");
      config.close();
      qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    } else {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
  }
  QApplication application(argc, argv);
  std::setlocale(LC_ALL, "C");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
