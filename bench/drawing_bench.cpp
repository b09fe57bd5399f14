// Redrawing the main window's three views on the largest plan, 1920 pixels wide.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "gui/drawing/main_pictures.h"
#include "largest_plan.h"

namespace {

using namespace chromaflow;

using bench::largestPlan;

struct Job {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  Job() {
    colours.addRow({0, 230, 200, 150});
    colours.addRow({50, 200, 90, 40});
    colours.addRow({100, 120, 30, 20});
    largestPlan(plan);
  }
};

void BM_RedrawViews(benchmark::State& state) {
  Job job;
  MainPictures pictures = makeMainPictures(static_cast<int>(state.range(0)));
  const MainViewSources sources{job.plan, job.colours, job.settings, job.path, viewMetricsFor(pictures)};
  for (auto _ : state) {
    redrawViews(pictures, sources);
    benchmark::DoNotOptimize(pictures.surface.constBits());
  }
  state.counters["columns"] = static_cast<double>(predictedMix(sources).columns.size());
}
BENCHMARK(BM_RedrawViews)->Arg(625)->Arg(1920)->Unit(benchmark::kMillisecond);

// The walk alone, to tell the core's share from the drawing's.
void BM_PredictedMixWalk(benchmark::State& state) {
  Job job;
  const MainPictures pictures = makeMainPictures(1920);
  const MainViewSources sources{job.plan, job.colours, job.settings, job.path, viewMetricsFor(pictures)};
  for (auto _ : state) benchmark::DoNotOptimize(predictedMix(sources));
}
BENCHMARK(BM_PredictedMixWalk)->Unit(benchmark::kMillisecond);

}  // namespace
