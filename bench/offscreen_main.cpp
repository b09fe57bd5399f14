// The main of the window benchmarks: the application offscreen unless QT_QPA_PLATFORM says
// otherwise, in the C locale as the program's figures are written.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::setlocale(LC_ALL, "C");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
