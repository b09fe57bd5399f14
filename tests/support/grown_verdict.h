#pragma once
// The job's verdict as its definition reads: the window about each bin grown one bin at a time,
// on the side that holds less paint, until it holds the window's litres. The oracle the one-pass
// judgement must match: the same places judged over the same windows, the same stretches and
// the same headline; the worst deviations to the rounding of their sums (the two add the same
// litres in another order).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/control/job_record.h"
#include "core/control/job_verdict.h"

namespace chromaflow::testing {

inline JobVerdict grownVerdict(const JobRecord& record, double tolerance) {
  const auto dosedLitres = [](const RecordedStretch& s) { return s.dosedP1 + s.dosedP2; };
  const auto judgeable = [&](const RecordedStretch& bin) { return bin.distancePainted > 0 && dosedLitres(bin) > 0; };
  JobVerdict verdict;
  verdict.tolerance = tolerance;
  const std::vector<RecordedStretch>& bins = record.profile();
  const std::size_t n = bins.size();
  double dosed = 0;
  long long pulsesP1 = 0, pulsesP2 = 0;
  double litresP1 = 0, litresP2 = 0;
  for (const RecordedStretch& bin : bins) {
    verdict.painted |= judgeable(bin);
    verdict.paintedLength += std::min<double>(bin.distancePainted, bin.to - bin.from);
    dosed += dosedLitres(bin);
    pulsesP1 += bin.pulsesP1;
    pulsesP2 += bin.pulsesP2;
    litresP1 += bin.deliveredP1;
    litresP2 += bin.deliveredP2;
  }
  const double p1 = litresP1 > 0 ? static_cast<double>(pulsesP1) / litresP1 : 0;
  const double p2 = litresP2 > 0 ? static_cast<double>(pulsesP2) / litresP2 : 0;
  const double perLitre = p1 > 0 && p2 > 0 ? std::min(p1, p2) : std::max(p1, p2);
  const double windowLitres = perLitre > 0 ? static_cast<double>(JobVerdict::kWindowPulses) / perLitre : 0;
  verdict.enoughToJudge = verdict.painted && perLitre > 0 && dosed >= windowLitres;
  if (!verdict.enoughToJudge) return verdict;
  verdict.windowLitres = windowLitres;

  struct Judged {
    bool judged = false;
    double deviation = 0;
    double window = 0;
  };
  std::vector<Judged> judged(n);
  for (std::size_t k = 0; k < n; ++k) {
    const RecordedStretch& bin = bins[k];
    if (!judgeable(bin)) continue;
    RecordedStretch window = bin;
    std::size_t first = k, last = k;
    double before = 0, after = 0;
    while (dosedLitres(window) < windowLitres) {
      const bool left = first > 0, right = last + 1 < n;
      if (!left && !right) break;
      if (left && (!right || before <= after)) {
        RecordedStretch grown = bins[--first];
        before += dosedLitres(grown);
        grown.extendBy(window);
        window = grown;
      } else {
        after += dosedLitres(bins[++last]);
        window.extendBy(bins[last]);
      }
    }
    if (window.laidProportion() < 0) continue;
    judged[k] = {true, window.laidProportion() - window.dosedProportion(), window.to - window.from};
    verdict.judgedLength += std::min<double>(bin.distancePainted, bin.to - bin.from);
    verdict.judgedLitres += bin.deliveredP1 + bin.deliveredP2;
  }

  struct Run {
    std::size_t first, last;
    double worst;
  };
  std::vector<Run> runs;
  const auto out = [&](std::size_t k) { return judged[k].judged && std::abs(judged[k].deviation) > tolerance; };
  for (std::size_t k = 0; k < n; ++k) {
    if (!out(k)) continue;
    const double deviation = judged[k].deviation;
    const bool continues = !runs.empty() && (runs.back().worst > 0) == (deviation > 0) &&
                           (runs.back().last + 1 == k ||
                            bins[k].from - bins[runs.back().last].to < judged[k].window / 2);
    if (continues) {
      runs.back().last = k;
      if (std::abs(deviation) > std::abs(runs.back().worst)) runs.back().worst = deviation;
    } else {
      runs.push_back({k, k, deviation});
    }
  }
  for (const Run& run : runs) verdict.stretches.push_back({bins[run.first].from, bins[run.last].to, run.worst});
  verdict.withinTolerance = verdict.stretches.empty();
  return verdict;
}

// The record judged at `tolerance` as the oracle judges it: every figure the same, the worst
// deviations within 1e-9 point, the headline word for word.
inline void expectJudgedAsGrown(const JobRecord& record, double tolerance, const std::string& what) {
  const JobVerdict fast = judgeJob(record, tolerance), grown = grownVerdict(record, tolerance);
  const std::string at = what + " at ±" + std::to_string(tolerance);
  EXPECT_EQ(fast.painted, grown.painted) << at;
  EXPECT_EQ(fast.enoughToJudge, grown.enoughToJudge) << at;
  EXPECT_EQ(fast.withinTolerance, grown.withinTolerance) << at;
  EXPECT_EQ(fast.tolerance, grown.tolerance) << at;
  EXPECT_EQ(fast.paintedLength, grown.paintedLength) << at;
  EXPECT_EQ(fast.judgedLength, grown.judgedLength) << at;
  EXPECT_EQ(fast.judgedLitres, grown.judgedLitres) << at;
  EXPECT_EQ(fast.windowLitres, grown.windowLitres) << at;
  ASSERT_EQ(fast.stretches.size(), grown.stretches.size()) << at << ": " << verdictText(fast);
  for (std::size_t i = 0; i < grown.stretches.size(); ++i) {
    EXPECT_EQ(fast.stretches[i].from, grown.stretches[i].from) << at << ", stretch " << i;
    EXPECT_EQ(fast.stretches[i].to, grown.stretches[i].to) << at << ", stretch " << i;
    EXPECT_NEAR(fast.stretches[i].worstDeviation, grown.stretches[i].worstDeviation, 1e-9) << at << ", stretch " << i;
  }
  EXPECT_EQ(verdictText(fast), verdictText(grown)) << at;
}

}  // namespace chromaflow::testing
