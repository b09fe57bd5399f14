// Judging a kept job, as the report window does when it shows one and at each change of its
// tolerance: the largest record the history gives back (JobRecord::kProfileBins bins of profile)
// painted on the largest plan, and the same size of record where the window about every bin
// spans the whole run, the most a window can hold. Beside them, a record of 150,000 bins offered
// to the reader, as another machine could put it on the shared history (20 MB as written here).

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "core/control/job_record.h"
#include "core/control/job_verdict.h"
#include "largest_job.h"
#include "support/control_rig.h"

namespace {

using namespace chromaflow;

// The record kept with these bins of profile, as the history keeps it.
std::string keptWithProfile(const std::vector<RecordedStretch>& bins) {
  const auto put = [](std::string& out, auto value) {
    char text[64];
    out += ' ';
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
  };
  std::string profile = "profile " + std::to_string(bins.size()) + "\n";
  for (const RecordedStretch& s : bins) {
    profile += 's';
    for (float v : {s.from, s.to, s.distancePainted, s.areaPainted}) put(profile, v);
    for (double v : {s.askedP1, s.askedP2, s.dosedP1, s.dosedP2, s.deliveredP1, s.deliveredP2}) put(profile, v);
    for (long long v : {s.pulsesP1, s.pulsesP2}) put(profile, v);
    put(profile, s.correctionSum);
    put(profile, s.correctionTicks);
    profile += '\n';
  }
  std::string text = JobRecord{}.stored();
  return text.replace(text.find("profile 0\n"), 10, profile);
}

// `count` bins along 100 m painted once, holding `windows` times the window's litres (200 pulses
// of pumps at 220 a litre, 0.91 l), in the plan's litres as the path model gives them (32 bits).
std::vector<RecordedStretch> profile(std::size_t count, double windows) {
  std::vector<RecordedStretch> bins(count);
  const double total = windows * 200.0 / 220;
  const auto share = [&](std::size_t k) { return static_cast<double>(k) / static_cast<double>(count); };
  float litresUpTo = 0;
  long long pulses = 0;
  for (std::size_t k = 0; k < count; ++k) {
    RecordedStretch& bin = bins[k];
    bin.from = static_cast<float>(100 * share(k));
    bin.to = static_cast<float>(100 * share(k + 1));
    bin.distancePainted = bin.to - bin.from;
    const float next = static_cast<float>(total * share(k + 1));
    const double dosed = static_cast<double>(next) - litresUpTo;
    litresUpTo = next;
    bin.askedP1 = bin.dosedP1 = dosed * 0.7;
    bin.askedP2 = bin.dosedP2 = dosed - bin.dosedP1;
    // The pumps' pulses as they come, P2 a third of them.
    const long long due = std::llround(total * 220 * share(k + 1)) - pulses;
    pulses += due;
    (k % 3 == 0 ? bin.pulsesP2 : bin.pulsesP1) = due;
    bin.deliveredP1 = static_cast<double>(bin.pulsesP1) / 220;
    bin.deliveredP2 = static_cast<double>(bin.pulsesP2) / 220;
  }
  return bins;
}

// The record of the largest plan after 400 s of painting.
JobRecord largestPainted() {
  testing::ControlRig rig;
  bench::openLargestPlan(rig);
  std::uint16_t pins = 0;
  for (int i = 0; i < 20'000; ++i) rig.tick(pins = bench::nextPins(pins));
  return JobRecord::fromStored(rig.session.jobRecord().stored());
}

void judge(benchmark::State& state, const JobRecord& record) {
  for (auto _ : state) benchmark::DoNotOptimize(judgeJob(record, JobVerdict::kDefaultTolerance));
  state.counters["bins"] = static_cast<double>(record.profile().size());
}

void BM_JudgeLargestPaintedRecord(benchmark::State& state) { judge(state, largestPainted()); }
BENCHMARK(BM_JudgeLargestPaintedRecord)->Unit(benchmark::kMicrosecond);

// The window about every bin spans the whole run: the most the growth about each bin takes, and
// so the longest a kept job of the most bins a record holds takes to judge.
void BM_JudgeWidestWindows(benchmark::State& state) {
  judge(state, JobRecord::fromStored(keptWithProfile(profile(JobRecord::kProfileBins, 1.0001))));
}
BENCHMARK(BM_JudgeWidestWindows)->Unit(benchmark::kMicrosecond);

// The reader given the 150,000 bins: refused, or read.
void BM_KeptRecordOf150000BinsRead(benchmark::State& state) {
  const std::string kept = keptWithProfile(profile(150'000, 1.0001));
  bool read = false;
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(JobRecord::fromStored(kept));
      read = true;
    } catch (const StoredRecordError&) {
      read = false;
    }
  }
  state.counters["MB"] = static_cast<double>(kept.size()) / 1e6;
  state.counters["read"] = read;
}
BENCHMARK(BM_KeptRecordOf150000BinsRead)->Unit(benchmark::kMillisecond);

}  // namespace
