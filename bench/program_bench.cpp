// The program's windows: start-up to the main window shown with all its windows created, and
// one tick of the reading cycle with the widget updates it causes while the simulated machine
// paints the example job; the job sheet PDF of the largest plan; the plan window on plans of up to
// a million proportion rows. Offscreen unless QT_QPA_PLATFORM says otherwise.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "core/common/display_forms.h"
#include "core/common/text_file.h"
#include "core/session/session.h"
#include "gui/drawing/job_sheet.h"
#include "gui/main/main_window.h"
#include "gui/main/program.h"
#include "gui/plan/plan_window.h"
#include "largest_job.h"
#include "offscreen_program.h"
#include "support/scripted_asker.h"

namespace chromaflow {
namespace {

using bench::setupOn;

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

// A plan file of 100 surfaces and `rows` proportion rows in order along them, in `folder`.
std::string writeLongPlan(const QTemporaryDir& folder, int rows) {
  std::vector<std::string> lines{"Surf."};
  for (int i = 1; i <= kMaxSurfaces; ++i) lines.push_back(std::to_string(i) + ";2.50;5.00");
  lines.push_back("Prop.");
  const double length = 5.0 * kMaxSurfaces;
  for (int j = 0; j < rows; ++j)
    lines.push_back(std::to_string(j + 1) + ";" + F2(length * j / rows) + ";" + std::to_string(j * 7 % 101));
  const std::string file = folder.filePath(QStringLiteral("long.spv")).toStdString();
  writeTextFile(file, lines);
  return file;
}

// The core alone reading a plan of that many rows, as "Ouvrir..." does it: what the window should
// add little to.
void SessionOpensLongPlan(benchmark::State& state) {
  const QTemporaryDir folder;
  const std::string file = writeLongPlan(folder, static_cast<int>(state.range(0)));
  testing::ControlRig rig;
  for (auto _ : state) {
    rig.asker.openAnswers.push_back(file);
    rig.session.openPlan(true);
  }
  state.counters["rows"] = rig.session.plan().proportionCount();
}
BENCHMARK(SessionOpensLongPlan)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The plan window shown, "Ouvrir..." on a plan of that many proportion rows, to the grids
// painted. Emptying the plan between two openings is not counted.
void PlanWindowOpensLongPlan(benchmark::State& state) {
  const QTemporaryDir folder;
  const std::string file = writeLongPlan(folder, static_cast<int>(state.range(0)));
  VirtualClock clock;
  testing::ScriptedAsker asker;
  Program program(setupOn(clock, &asker));
  program.mainWindow().show();
  PlanWindow& window = program.planWindow();
  window.show();
  QApplication::processEvents();
  Session& session = program.session();
  for (auto _ : state) {
    asker.openAnswers.push_back(file);
    session.openPlan(true);
    QApplication::processEvents();
    state.PauseTiming();
    session.newPlan();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  window.hide();
}
BENCHMARK(PlanWindowOpensLongPlan)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The plan window coming up on a plan of that many proportion rows (the tables recomputed, the
// grids shown and painted). Leaving it again, which redraws the main window, is not counted.
void PlanWindowShowsLongPlan(benchmark::State& state) {
  const QTemporaryDir folder;
  const std::string file = writeLongPlan(folder, static_cast<int>(state.range(0)));
  VirtualClock clock;
  testing::ScriptedAsker asker;
  Program program(setupOn(clock, &asker));
  program.mainWindow().show();
  QApplication::processEvents();
  asker.openAnswers.push_back(file);
  program.session().openPlan(true);
  PlanWindow& window = program.planWindow();
  for (auto _ : state) {
    window.show();
    QApplication::processEvents();
    state.PauseTiming();
    window.hide();
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(PlanWindowShowsLongPlan)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chromaflow
