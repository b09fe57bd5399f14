// The reading cycle's cost on the largest plans, and the path model's LitresUpTo against its
// step-by-step form.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "common/text_file.h"
#include "support/control_rig.h"
#include "support/literal_path_model.h"
#include "largest_plan.h"

namespace {

using namespace chromaflow;

using bench::largestPlan;

void BM_ReadingCycleTick(benchmark::State& state) {
  chromaflow::testing::ControlRig rig;
  {
    // The operator opens the largest plan and leaves the plan window.
    ColourTable colours;
    Plan plan{colours};
    largestPlan(plan);
    const auto file = std::filesystem::temp_directory_path() / "chromaflow-largest-plan.spv";
    writeTextFile(file.string(), plan.fileLines());
    rig.asker.openAnswers = {file.string()};
    rig.session.openPlan(true);
    rig.session.planWindowLeft();
    std::filesystem::remove(file);
  }
  rig.session.setRunning(true);
  rig.session.hoseFullButton();
  rig.tick();
  std::uint16_t pins = 0;
  for (auto _ : state) {
    pins ^= 0x0001 | (pins & 1 ? 0x0040 : 0x0004);  // roller every tick, the pumps in turn
    rig.tick(pins);
  }
  state.counters["distance_m"] = rig.control.state().Distance;
}
BENCHMARK(BM_ReadingCycleTick);

struct PathRig {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  PathRig() { largestPlan(plan); }
};

void BM_LitresUpToFast(benchmark::State& state) {
  PathRig rig;
  const float end = rig.path.tables().CL.back() * 1.1f;
  float d = 0;
  for (auto _ : state) {
    d += 0.37f;
    if (d > end) d = 0;
    benchmark::DoNotOptimize(rig.path.LitresUpTo(d));
  }
}
BENCHMARK(BM_LitresUpToFast);

void BM_LitresUpToLiteral(benchmark::State& state) {
  PathRig rig;
  const testing::LiteralPathModel literal(readPathTables(rig.plan), settingValue(rig.settings.settings().LitreM2));
  const float end = rig.path.tables().CL.back() * 1.1f;
  float d = 0;
  for (auto _ : state) {
    d += 0.37f;
    if (d > end) d = 0;
    benchmark::DoNotOptimize(literal.LitresUpTo(d));
  }
}
BENCHMARK(BM_LitresUpToLiteral);

}  // namespace
