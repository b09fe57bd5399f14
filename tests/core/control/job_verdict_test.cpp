// The job's verdict from records fed tick by tick: the pumps giving whole pulses for the litres
// asked, with a stretch laid off the plan where a case wants one.

#include "core/control/job_verdict.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/control/job_record.h"
#include "core/control/path_model.h"

namespace chromaflow {
namespace {

struct Verdict : ::testing::Test {
  SettingsDocument settings;  // 0.14 l/m²
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  JobRecord record;
  JobTick tick;
  double owedP1 = 0, owedP2 = 0;  // the pulses' fractions not given yet

  void wall(float height, float length, std::initializer_list<std::pair<const char*, int>> proportions) {
    plan.appendSurface({height, length});
    plan.RecomputeSurfaces();
    for (const auto& [distance, proportion] : proportions) plan.appendProportion(distance, proportion);
    plan.RefreshProportions();
  }
  void start(int pulsesPerLitre) {
    tick.pulsesPerLitreP1 = tick.pulsesPerLitreP2 = pulsesPerLitre;
    record.restart(path, tick);
  }
  // The paint pumped goes from where it is laid to `to` by 1 cm a tick, the roller `behind` it
  // (the hose's paint); the pumps give the litres asked, P2's share moved by `offset(d)` points.
  void paint(float to, const std::function<double(float)>& offset = [](float) { return 0.0; }, float behind = 0) {
    while (tick.anticipatedDistance < to) {
      const float from = tick.anticipatedDistance;
      const float next = std::min(to, from + 0.01f);
      const Litres before = path.LitresUpTo(from), after = path.LitresUpTo(next);
      const double litres = (after.P1 - before.P1) + (after.P2 - before.P2);
      const double share = std::clamp(100.0 * (after.P2 - before.P2) / litres + offset(next), 0.0, 100.0) / 100;
      owedP1 += litres * (1 - share) * tick.pulsesPerLitreP1;
      owedP2 += litres * share * tick.pulsesPerLitreP2;
      const double wholeP1 = std::floor(owedP1), wholeP2 = std::floor(owedP2);
      owedP1 -= wholeP1;
      owedP2 -= wholeP2;
      tick.milliseconds += 20;
      tick.anticipatedDistance = next;
      tick.distance = std::max(0.0f, next - behind);
      tick.pulsesP1 += static_cast<long long>(wholeP1);
      tick.pulsesP2 += static_cast<long long>(wholeP2);
      record.record(tick, path);
    }
  }
};

TEST_F(Verdict, AStretchLaidSixPointsOffIsFoundWithItsBoundsUntilTheToleranceTakesIt) {
  wall(2, 40, {{"0.00", 30}});
  start(220);
  paint(40, [](float d) { return d > 12 && d <= 24 ? 6.0 : 0.0; });

  const JobVerdict off = judgeJob(record, 2);
  EXPECT_TRUE(off.painted);
  EXPECT_TRUE(off.enoughToJudge);
  EXPECT_FALSE(off.withinTolerance);
  ASSERT_EQ(off.stretches.size(), 1u);
  // Judged over 200 pulses (0.9 l, 3.2 m of this wall) about each place: a window is more than 2
  // points off once a third of it lies in the stretch, so a bound falls a sixth of a window
  // outside at most, to a bin (0.1 m) near. One pulse is half a point at most.
  EXPECT_NEAR(off.stretches[0].from, 12, 0.7);
  EXPECT_NEAR(off.stretches[0].to, 24, 0.7);
  EXPECT_NEAR(off.stretches[0].worstDeviation, 6, 0.5);
  EXPECT_NEAR(off.judgedLength, 40, 0.05);
  EXPECT_EQ(verdictText(off).rfind("Proportion hors tolérance (±2 points) sur 1 tronçon : 1", 0), 0u) << verdictText(off);
  EXPECT_NE(verdictText(off).find(" m (écart +"), std::string::npos) << verdictText(off);

  // The same record at 7 points: within. The window does not follow the tolerance, so a wider
  // one never finds more.
  const JobVerdict within = judgeJob(record, 7);
  EXPECT_TRUE(within.withinTolerance);
  EXPECT_TRUE(within.stretches.empty());
  EXPECT_EQ(verdictText(within), "Proportion tenue à ±7 points sur 40.00 m peints.");
  EXPECT_EQ(judgeJob(record, 5.5).stretches.size(), 1u);
  EXPECT_EQ(verdictText(judgeJob(record, 1)).rfind("Proportion hors tolérance (±1 point) sur 1 tronçon", 0), 0u);

  // Too little P2 is the other way, and a stretch of its own beside too much.
  record.restart(path, tick = JobTick{.pulsesPerLitreP1 = 220, .pulsesPerLitreP2 = 220});
  paint(40, [](float d) { return d <= 12 ? 0.0 : d <= 24 ? -6.0 : 6.0; });
  const JobVerdict twoWays = judgeJob(record, 2);
  ASSERT_EQ(twoWays.stretches.size(), 2u);
  EXPECT_NEAR(twoWays.stretches[0].worstDeviation, -6, 0.5);
  EXPECT_NEAR(twoWays.stretches[1].worstDeviation, 6, 0.5);
  EXPECT_NEAR(twoWays.stretches[1].to, 40, 0.01);
}

TEST_F(Verdict, FewPulsesPerProfileBinAreJudgedTogetherNotOneByOne) {
  // 200 m of 1 m high wall, 40 pulses a litre: 1120 pulses along the path, under 3 in each of the
  // 400 bins, whose own proportion jumps by tens of points though the pumps give what is asked.
  wall(1, 200, {{"0.00", 20}, {"200.00", 80}});
  start(40);
  paint(200);
  int binsOff = 0;
  for (const RecordedStretch& bin : record.profile())
    binsOff += bin.laidProportion() >= 0 && std::abs(bin.laidProportion() - bin.dosedProportion()) > 2;
  ASSERT_GT(binsOff, 100);

  const JobVerdict verdict = judgeJob(record, 2);
  EXPECT_TRUE(verdict.withinTolerance) << verdictText(verdict);
  EXPECT_NEAR(verdict.judgedLength, 200, 0.1);
  // A fault is still found there, where it lasts longer than a window (200 pulses: 36 m) and
  // stands more than one from the ends.
  record.restart(path, tick = JobTick{.pulsesPerLitreP1 = 40, .pulsesPerLitreP2 = 40});
  paint(200, [](float d) { return d > 60 && d <= 130 ? -8.0 : 0.0; });
  const JobVerdict off = judgeJob(record, 2);
  ASSERT_EQ(off.stretches.size(), 1u) << verdictText(off);
  EXPECT_NEAR(off.stretches[0].from, 60, 10);
  EXPECT_NEAR(off.stretches[0].to, 130, 10);
  EXPECT_NEAR(off.stretches[0].worstDeviation, -8, 1);
}

TEST_F(Verdict, NoJobIsCalledGoodWithoutPaintLaidOrEnoughOfItToJudge) {
  wall(2, 10, {{"0.00", 50}});
  start(220);
  JobVerdict verdict = judgeJob(record, 2);
  EXPECT_FALSE(verdict.painted);
  EXPECT_FALSE(verdict.withinTolerance);
  EXPECT_EQ(verdictText(verdict), "Rien n'a été peint : pas de proportion à juger.");

  // The hose filling: paint pumped for the first metres, the roller not moved yet.
  paint(2, [](float) { return 0.0; }, 100);
  verdict = judgeJob(record, 2);
  EXPECT_FALSE(verdict.painted);
  EXPECT_FALSE(verdict.withinTolerance);

  // Rolled over half a metre: 0.14 l, 31 pulses, each 3 points of the mix.
  record.restart(path, tick = JobTick{.pulsesPerLitreP1 = 220, .pulsesPerLitreP2 = 220});
  paint(0.5f);
  verdict = judgeJob(record, 2);
  EXPECT_TRUE(verdict.painted);
  EXPECT_FALSE(verdict.enoughToJudge);
  EXPECT_FALSE(verdict.withinTolerance);
  EXPECT_EQ(verdictText(verdict).rfind("Trop peu de peinture posée", 0), 0u) << verdictText(verdict);

  // Started with a full hose whose paint lies on the first 2 m: pumped before the record, it is
  // not judged, and the headline says how much was.
  record.restart(path, tick = JobTick{.anticipatedDistance = 2, .pulsesPerLitreP1 = 220, .pulsesPerLitreP2 = 220});
  paint(10, [](float) { return 0.0; }, 2);
  verdict = judgeJob(record, 2);
  EXPECT_TRUE(verdict.withinTolerance);
  EXPECT_NEAR(verdict.paintedLength, 8, 0.01);
  EXPECT_NEAR(verdict.judgedLength, 6, 0.01);
  EXPECT_EQ(verdictText(verdict), "Proportion tenue à ±2 points sur 6.00 m jugés des 8.00 m peints.");
}

}  // namespace
}  // namespace chromaflow
