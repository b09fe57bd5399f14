// The job's verdict from records fed tick by tick: the pumps giving whole pulses for the litres
// asked, with a stretch laid off the plan where a case wants one.

#include "core/control/job_verdict.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <random>

#include "core/common/display_forms.h"
#include "core/control/job_record.h"
#include "core/control/path_model.h"
#include "support/grown_verdict.h"

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
  void start(int pulsesPerLitre, int pulsesPerLitreP2 = 0) {
    tick.pulsesPerLitreP1 = pulsesPerLitre;
    tick.pulsesPerLitreP2 = pulsesPerLitreP2 ? pulsesPerLitreP2 : pulsesPerLitre;
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

TEST_F(Verdict, RecordsFedTickByTickAreJudgedAsTheWindowGrownAboutEachBinJudgesThem) {
  // Walls of every length, plans of a few rows, pumps fine and coarse, faults of any size and
  // length, the hose full or empty at the start: what real runs record.
  std::mt19937 random(35);
  const auto uniform = [&](double from, double to) { return std::uniform_real_distribution<double>(from, to)(random); };
  for (int trial = 0; trial < 40; ++trial) {
    const float length = static_cast<float>(uniform(2, 120));
    plan.appendSurface({static_cast<float>(uniform(0.5, 3)), length});
    plan.RecomputeSurfaces();
    const int rows = 1 + trial % 4;
    for (int row = 0; row < rows; ++row)
      plan.appendProportion(F2(length * row / rows).c_str(), trial % 5 == 0 ? 50 : static_cast<int>(uniform(0, 100)));
    plan.RefreshProportions();
    const int perLitre[] = {40, 120, 220, 1000};
    start(perLitre[trial % 4], trial % 3 == 0 ? perLitre[(trial + 1) % 4] : 0);
    const double faultFrom = uniform(0, length), faultTo = faultFrom + uniform(0, length / 2);
    const double offset = trial % 7 == 0 ? 0 : uniform(-12, 12);
    paint(length, [&](float d) { return d > faultFrom && d <= faultTo ? offset : 0.0; },
          trial % 6 == 0 ? static_cast<float>(uniform(0, 3)) : 0.0f);
    for (double tolerance : {1.0, 2.0, 3.0, 5.5})
      testing::expectJudgedAsGrown(record, tolerance, "trial " + std::to_string(trial));
    plan.clearSurfaces();
    plan.clearProportions();
    tick = JobTick{};
    owedP1 = owedP2 = 0;
  }
}

// A record holding these profile bins, as the history would give it back.
JobRecord withProfile(const std::vector<RecordedStretch>& bins) {
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
  return JobRecord::fromStored(text.replace(text.find("profile 0\n"), 10, profile));
}

TEST(OnePassVerdict, AnyProfileIsJudgedAsTheWindowGrownAboutEachBinJudgesIt) {
  // Profiles a run could not make as well as those it does: litres of any size, sums that round
  // at every bin and sums that never do, bins all alike (the window's two sides tie at every
  // step), a plan at 50 % with whole pulses (deviations that fall on the tolerance or between two
  // tenths), bins not painted or not pumped for.
  std::mt19937_64 random(12);
  const auto uniform = [&](double from, double to) { return std::uniform_real_distribution<double>(from, to)(random); };
  const auto chance = [&](double p) { return uniform(0, 1) < p; };
  for (int trial = 0; trial < 1500; ++trial) {
    const int kind = trial % 5;
    const std::size_t n = trial % 11 == 0 ? 1 + random() % 4 : trial % 3 == 0 ? 400 : 5 + random() % 120;
    const int perLitreP1 = std::array{40, 220, 350}[random() % 3];
    const int perLitreP2 = chance(0.5) ? perLitreP1 : std::array{40, 220, 350}[random() % 3];
    const double binLitres = std::exp(uniform(std::log(0.005), std::log(5)));
    const double share = uniform(0, 1), fault = chance(0.3) ? 0 : uniform(-0.15, 0.15);
    std::vector<RecordedStretch> bins(n);
    float litresUpTo = 0;  // the plan's litres along the path, as the path model gives them
    for (std::size_t k = 0; k < n; ++k) {
      RecordedStretch& bin = bins[k];
      bin.from = static_cast<float>(k) * 0.25f;
      bin.to = static_cast<float>(k + 1) * 0.25f;
      bin.distancePainted = chance(0.05) ? 0.0f : chance(0.2) ? 0.1f : 0.25f;
      double dosed = 0, laid = share + (chance(0.2) ? fault : 0);
      switch (kind) {
        case 0: {  // plan litres as the record measures them: differences of 32-bit litres
          const float next = static_cast<float>(litresUpTo + binLitres * uniform(0.5, 1.5));
          dosed = static_cast<double>(next) - litresUpTo;
          litresUpTo = next;
          break;
        }
        case 1:  // any litres, of any size
          dosed = std::exp(uniform(std::log(1e-4), std::log(50)));
          break;
        case 2:  // all alike
          dosed = binLitres;
          laid = share + fault;
          break;
        case 3:  // sixty-fourths of a litre: the paint between bins summed exactly, each pump's not
          dosed = std::round(uniform(0, 64 * binLitres) + 1) / 64;
          break;
        default:  // 50 %: both pumps asked the same
          dosed = binLitres;
          laid = std::round(uniform(0.4, 0.6) * 20) / 20;
          break;
      }
      if (chance(0.04)) dosed = 0;
      bin.dosedP1 = kind == 4 ? dosed / 2 : dosed * (1 - share);
      bin.dosedP2 = kind == 4 ? dosed / 2 : dosed * share;
      bin.askedP1 = bin.dosedP1;
      bin.askedP2 = bin.dosedP2;
      // The pumps' whole pulses, counted a few ticks at a time.
      const double delivered = chance(0.03) ? 0 : dosed > 0 ? dosed : binLitres;
      const long long pulsesP1 = std::llround(delivered * std::clamp(1 - laid, 0.0, 1.0) * perLitreP1);
      const long long pulsesP2 = std::llround(delivered * std::clamp(laid, 0.0, 1.0) * perLitreP2);
      for (long long p1 = pulsesP1, p2 = pulsesP2; p1 > 0 || p2 > 0; p1 -= 3, p2 -= 3) {
        bin.deliveredP1 += static_cast<double>(std::clamp(p1, 0LL, 3LL)) / perLitreP1;
        bin.deliveredP2 += static_cast<double>(std::clamp(p2, 0LL, 3LL)) / perLitreP2;
      }
      bin.pulsesP1 = pulsesP1;
      bin.pulsesP2 = pulsesP2;
    }
    const JobRecord record = withProfile(bins);
    const std::string what = "kind " + std::to_string(kind) + ", trial " + std::to_string(trial);
    for (double tolerance : {0.5, 1.0, 2.0, 5.0}) testing::expectJudgedAsGrown(record, tolerance, what);
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(OnePassVerdict, AMixLaidRightOnAnEdgeOfTheHeadlineReadsAsTheGrowthReadIt) {
  // A plan at 50 %, the pumps' whole pulses laying 52 % (2 points off: on the tolerance, and where
  // "point" turns "points") over stretches about a window long, then 52.25 % (between two
  // tenths). Summed in another order, such a deviation comes out a last bit either side of the
  // edge.
  for (int counting = 0; counting < 4; ++counting) {
    std::vector<RecordedStretch> bins(400);
    for (std::size_t k = 0; k < bins.size(); ++k) {
      RecordedStretch& bin = bins[k];
      bin.from = static_cast<float>(k) * 0.125f;
      bin.to = static_cast<float>(k + 1) * 0.125f;
      bin.distancePainted = 0.125f;
      bin.askedP1 = bin.askedP2 = bin.dosedP1 = bin.dosedP2 = 1.0 / 32;
      const std::size_t stretch = k / 40, at = k % 40;
      const bool off = stretch < 6 && at >= 10 && at < 24 + stretch % 3;
      const auto [pulsesP1, pulsesP2] = !off         ? std::pair{25, 25}
                                        : stretch < 3 ? std::pair{24, 26}
                                                      : std::pair{191, 209};
      // Counted a few pulses a tick, so that the bins' litres differ in their last bits.
      const int perTick = counting == 0 ? 3 : 1 + static_cast<int>(k * static_cast<std::size_t>(counting) % 5);
      for (int p = 0; p < pulsesP1; p += perTick) bin.deliveredP1 += std::min(perTick, pulsesP1 - p) / 220.0;
      for (int p = 0; p < pulsesP2; p += perTick) bin.deliveredP2 += std::min(perTick, pulsesP2 - p) / 220.0;
      bin.pulsesP1 = pulsesP1;
      bin.pulsesP2 = pulsesP2;
    }
    const JobRecord record = withProfile(bins);
    for (double tolerance : {1.0, 2.0, 2.25})
      testing::expectJudgedAsGrown(record, tolerance, "pulses counted " + std::to_string(counting));
  }
}

}  // namespace
}  // namespace chromaflow
