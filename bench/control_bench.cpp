// The reading cycle's cost on the largest plans (the job record included), the path model's
// LitresUpTo against its step-by-step form, and the job record's CSV export.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "common/text_file.h"
#include "control/job_record_csv.h"
#include "support/control_rig.h"
#include "support/literal_path_model.h"
#include "largest_plan.h"

namespace {

using namespace chromaflow;

using bench::largestPlan;

// The largest plan opened as the operator does, painting started from the start of the path.
void openLargestPlan(chromaflow::testing::ControlRig& rig) {
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
}

// Roller every tick, the pumps in turn.
std::uint16_t nextPins(std::uint16_t pins) { return pins ^ (0x0001 | (pins & 1 ? 0x0040 : 0x0004)); }

void BM_ReadingCycleTick(benchmark::State& state) {
  chromaflow::testing::ControlRig rig;
  openLargestPlan(rig);
  std::uint16_t pins = 0;
  for (auto _ : state) rig.tick(pins = nextPins(pins));
  state.counters["distance_m"] = rig.control.state().Distance;
}
BENCHMARK(BM_ReadingCycleTick);

// The job record of the 100-surface plan, 10,000 proportion intervals, after painting a while:
// its CSV written to a file.
void BM_JobRecordCsv(benchmark::State& state) {
  chromaflow::testing::ControlRig rig;
  openLargestPlan(rig);
  std::uint16_t pins = 0;
  for (int i = 0; i < 20'000; ++i) rig.tick(pins = nextPins(pins));
  const auto file = std::filesystem::temp_directory_path() / "chromaflow-record.csv";
  for (auto _ : state) writeJobRecordCsv(rig.session.jobRecord(), file.string());
  state.counters["rows"] = static_cast<double>(jobRecordCsvLines(rig.session.jobRecord()).size());
  state.counters["distance_m"] = rig.control.state().Distance;
  std::filesystem::remove(file);
}
BENCHMARK(BM_JobRecordCsv)->Unit(benchmark::kMillisecond);

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
