// The reading cycle's cost on the largest plans, and the path model's LitresUpTo against its
// step-by-step form.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "common/display_forms.h"
#include "common/text_file.h"
#include "support/control_rig.h"
#include "support/literal_path_model.h"

namespace {

using namespace chromaflow;

// 100 surfaces and 10,000 proportion rows spread along the path, the rows read as a plan
// file's lines (sorted once).
void largestPlan(Plan& plan) {
  std::mt19937 random(1);
  for (int i = 0; i < kMaxSurfaces; ++i)
    plan.appendSurface({static_cast<float>(1 + random() % 300) / 100, static_cast<float>(1 + random() % 500) / 100});
  const double length = value(plan.surfaceRow(plan.surfaceCount())[4]);
  std::vector<std::string> rows{"Prop."};
  for (int j = 0; j < 10'000; ++j)
    rows.push_back(std::to_string(j + 1) + ";" + F2(length * j / 10'000.0) + ";" + std::to_string(random() % 101));
  plan.applyFileLines(rows);
}

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
