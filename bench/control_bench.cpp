// The reading cycle's cost on the largest plans (the job record included, and in a project of a
// 50 MB user text or of a million colour rows), the path model's LitresUpTo against its step-by-step form, and the job record's CSV
// export.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/common/text_file.h"
#include "core/control/job_record_csv.h"
#include "largest_job.h"
#include "support/control_rig.h"
#include "support/literal_path_model.h"

namespace {

using namespace chromaflow;

using bench::largestPlan;
using bench::nextPins;
using bench::openLargestPlan;

// Ticks of painting the largest plan, with or without "Compensation du mélange" (its lead is
// built once beforehand and only looked up by the cycle).
void paintLargestPlan(benchmark::State& state, bool mixingLead) {
  chromaflow::testing::ControlRig rig;
  openLargestPlan(rig);
  if (mixingLead) {
    rig.session.setMixingLead(true);
    rig.session.planWindowLeft();
  }
  std::uint16_t pins = 0;
  for (auto _ : state) rig.tick(pins = nextPins(pins));
  state.counters["distance_m"] = rig.control.state().Distance;
}

void BM_ReadingCycleTick(benchmark::State& state) { paintLargestPlan(state, false); }
BENCHMARK(BM_ReadingCycleTick);

void BM_ReadingCycleTickWithMixingLead(benchmark::State& state) { paintLargestPlan(state, true); }
BENCHMARK(BM_ReadingCycleTickWithMixingLead);

// Ticks of painting the largest plan of a project whose user text is state.range(0) MB and whose
// colour table has state.range(1) rows, opened as it was saved: whether the job differs from its
// files is asked after every tick that changed something, and nothing differs, so that every
// document is looked at.
void BM_ReadingCycleTickOfALargeProject(benchmark::State& state) {
  chromaflow::testing::ControlRig rig;
  const auto folder = std::filesystem::temp_directory_path() / "chromaflow-bench-large-project";
  std::filesystem::create_directories(folder);
  if (const int rows = static_cast<int>(state.range(1))) {
    std::vector<std::string> lines{";Proportions (%);RGB;R;G;B"};
    for (int i = 0; i < rows; ++i) lines.push_back(std::to_string(i + 1) + ";" + std::to_string(i % 101) + ";0;1;2;3");
    writeTextFile((folder / "colours.cov").string(), lines);
    rig.asker.openAnswers = {(folder / "colours.cov").string()};
    rig.session.openColours(true);
  }
  openLargestPlan(rig);
  rig.session.setUserText(std::vector<std::string>(static_cast<std::size_t>(state.range(0)) * 10'000, std::string(98, 'x')));
  const std::string project = (folder / "job.prv").string();
  rig.asker.saveAnswers = {project};
  rig.session.saveProject(true);
  rig.session.openProjectFile(project);
  std::filesystem::remove_all(folder);
  rig.session.setRunning(true);
  rig.session.hoseFullButton();
  std::uint16_t pins = 0;
  for (auto _ : state) rig.tick(pins = nextPins(pins));
  state.counters["modified"] = rig.session.projectModified();
  state.counters["text_MB"] = static_cast<double>(rig.session.project().userText().size()) * 100 / 1e6;
  state.counters["colour_rows"] = static_cast<double>(rig.session.colours().rows().size());
}
BENCHMARK(BM_ReadingCycleTickOfALargeProject)->Args({0, 0})->Args({50, 0})->Args({0, 1'000'000});

// Building the lead over the largest plan, as a change of the plan or the settings asks: the
// plan's steep rows make it search for the mixes the roller can lay.
void BM_MixingLeadBuild(benchmark::State& state) {
  chromaflow::testing::ControlRig rig;
  openLargestPlan(rig);
  const PathModel& path = rig.control.path();
  const MixingLeadTable& lead = path.mixingLead();
  float mixing = 10.71f;
  for (auto _ : state) {
    mixing = mixing == 10.71f ? 10.72f : 10.71f;  // a new mixing volume each time: built anew
    const MixingLeadTable built = leadTheMix(
        [&path](float area) { return path.ProportionAtDistance(path.DistanceForArea(area)); }, lead.fromArea,
        lead.toArea, mixing, 0);
    benchmark::DoNotOptimize(built.asked.data());
  }
  state.counters["steps"] = static_cast<double>(lead.asked.size());
}
BENCHMARK(BM_MixingLeadBuild)->Unit(benchmark::kMillisecond);

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
