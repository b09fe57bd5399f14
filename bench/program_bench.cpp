// The program's windows: start-up to the main window shown with all its windows created, and
// one tick of the reading cycle with the widget updates it causes while the simulated machine
// paints the example job; the job sheet PDF of the largest plan. Offscreen unless QT_QPA_PLATFORM
// says otherwise.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>
#include <string>

#include "core/control/virtual_clock.h"
#include "core/session/session.h"
#include "gui/drawing/job_sheet.h"
#include "gui/main/main_window.h"
#include "gui/main/program.h"
#include "largest_job.h"
#include "support/scripted_asker.h"

namespace chromaflow {
namespace {

ProgramSetup setupOn(VirtualClock& clock, Asker* asker) {
  return {clock, [&clock] { return clock.now(); }, PortChoiceOptions{.ppdev = {}, .tryPpdev = false, .tryDirectIo = false}, asker};
}

// From nothing to the main window shown and painted, maximised, with every window created. The
// first run pays for what the process loads once (fonts, styles); the others show what each
// start costs on top.
void StartUp(benchmark::State& state) {
  for (auto _ : state) {
    VirtualClock clock;
    Program program(setupOn(clock, nullptr));
    program.mainWindow().showMaximized();
    QApplication::processEvents();
    benchmark::DoNotOptimize(program.mainWindow().isVisible());
  }
}
BENCHMARK(StartUp)->Name("StartUp/first")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(StartUp)->Name("StartUp/again")->Unit(benchmark::kMillisecond);

// One 20 ms reading-cycle tick while the simulated machine paints the example job, with the
// figures, bars and gauge it changes repainted.
void GuiTick(benchmark::State& state) {
  VirtualClock clock;
  testing::ScriptedAsker asker;
  Program program(setupOn(clock, &asker));
  program.mainWindow().resize(1920, 1040);
  program.mainWindow().show();
  QApplication::processEvents();
  asker.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
  Session& session = program.session();
  session.openProject(true);
  session.hoseFullButton();
  session.setRunning(true);
  session.toggleGun();
  clock.advanceTo(clock.now() + 2000);  // the machine under way
  QApplication::processEvents();
  for (auto _ : state) {
    clock.advanceTo(clock.now() + 20);
    QApplication::processEvents();
  }
  state.counters["distance_m"] = session.state().Distance;
}
BENCHMARK(GuiTick)->Unit(benchmark::kMicrosecond);

// The job sheet of the 100-surface plan with 10,000 proportion rows, after painting 400 s of it.
void JobSheetLargestPlan(benchmark::State& state) {
  testing::ControlRig rig;
  bench::openLargestPlan(rig);
  std::uint16_t pins = 0;
  for (int i = 0; i < 20'000; ++i) rig.tick(pins = bench::nextPins(pins));
  const auto file = std::filesystem::temp_directory_path() / "chromaflow-sheet.pdf";
  for (auto _ : state) writeJobSheet(rig.session, file.string());
  state.counters["kB"] = static_cast<double>(std::filesystem::file_size(file)) / 1024;
  std::filesystem::remove(file);
}
BENCHMARK(JobSheetLargestPlan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chromaflow

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::setlocale(LC_ALL, "C");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
