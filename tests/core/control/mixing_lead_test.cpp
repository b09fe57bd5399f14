// The mixing lead against the walk that predicts the laid mix: fed the lead, the walk lays the
// plan wherever 0..100 % can do it, and elsewhere the lead keeps within 0..100 and does better
// than asking the plan.

#include "core/control/mixing_lead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "core/session/proportion_views.h"
#include "core/session/view_fixture.h"

namespace chromaflow {
namespace {

constexpr float kStep = 0.01f;  // m² per step of the walk
constexpr float kMixing = 10.71f;  // 1.5 l of mixing at 7.14 m²/l

std::vector<float> sampled(const std::function<float(float)>& plan, float area) {
  std::vector<float> samples;
  for (float a = kStep; a <= area + kStep / 2; a += kStep) samples.push_back(plan(a));
  return samples;
}

// The roller's mix after each step, each step's paint mixed into the roller's.
std::vector<float> walk(const std::vector<float>& asked, float startMix) {
  const float keep = kMixing / (kStep + kMixing);
  std::vector<float> laid;
  float mix = startMix;
  for (float a : asked) laid.push_back(mix = keep * mix + (1 - keep) * a);
  return laid;
}

float meanDeviation(const std::vector<float>& laid, const std::vector<float>& plan) {
  double sum = 0;
  for (std::size_t k = 0; k < laid.size(); ++k) sum += std::abs(laid[k] - plan[k]);
  return static_cast<float>(sum / static_cast<double>(laid.size()));
}

TEST(MixingLead, FedTheLeadTheWalkLaysThePlanWhereverItCan) {
  // Up 40 points over 40 m², level, down 30 over 20 m²: gentle enough for 0..100.
  const auto plan = sampled(
      [](float a) { return a < 40 ? 20 + a : a < 60 ? 60 : std::max(30.0f, 60 - 1.5f * (a - 60)); }, 100);
  const MixingLeadTable lead = leadTheMixSampled(plan, 0, kStep, kMixing, 20);
  ASSERT_EQ(lead.asked.size(), plan.size());
  const std::vector<float> laid = walk(lead.asked, 20);
  for (std::size_t k = 0; k < plan.size(); ++k) ASSERT_NEAR(laid[k], plan[k], 0.2) << "step " << k;
  // On the rise the lead asks the plan plus its slope times the mixing volume.
  EXPECT_NEAR(lead.asked[2000], plan[2000] + kMixing * 1.0f, 0.5);
  EXPECT_NEAR(lead.asked[7000], plan[7000] - kMixing * 1.5f, 0.5);
  // P2's share asked beyond the plan is what the mixing volume holds more of at the end.
  EXPECT_NEAR(lead.extraP2.back(), kMixing * (30.0 - 20.0) / 100, 0.02);
}

TEST(MixingLead, WhereThePlanIsTooSteepItStartsEarlyWithinTheLimits) {
  // A step from 10 % to 90 % at 20 m² and back at 40 m²: no mixing can follow it.
  const auto plan = sampled([](float a) { return a < 20 || a >= 40 ? 10.0f : 90.0f; }, 60);
  const MixingLeadTable lead = leadTheMixSampled(plan, 0, kStep, kMixing, 10);
  for (float asked : lead.asked) ASSERT_TRUE(asked >= 0 && asked <= 100) << asked;
  const std::vector<float> laid = walk(lead.asked, 10);
  const std::vector<float> lagging = walk(plan, 10);
  EXPECT_GT(laid[1800], 12) << "the rise starts before the step";
  EXPECT_LT(laid[2200], 90 - 5) << "but it cannot reach it at once";
  // Crossing the plan on the way, it deviates far less than asking the plan.
  EXPECT_LT(meanDeviation(laid, plan), 0.65f * meanDeviation(lagging, plan));
  // Far from the steps the plan is laid.
  EXPECT_NEAR(laid[500], 10, 0.2);
  EXPECT_NEAR(laid[5990], 10, 1);
}

TEST(MixingLead, WithoutMixingOrWallThePlanIsAsked) {
  const auto plan = sampled([](float a) { return a < 5 ? 0.0f : 100.0f; }, 10);
  const MixingLeadTable unmixed = leadTheMixSampled(plan, 0, kStep, 0, 50);
  EXPECT_EQ(unmixed.asked, plan);
  EXPECT_EQ(leadTheMix([](float) { return 50.0f; }, 7, 7, kMixing, 50).asked.size(), 0u);
}

TEST(MixingLead, AWallOfAnySizeIsLedInBoundedSteps) {
  // From a million m² to far beyond what an int counts in 0.02 m² steps: the steps coarsen.
  for (const float wall : {1e6f, 4.3e7f, 2e10f, 3e38f}) {
    const MixingLeadTable lead = leadTheMix([wall](float a) { return a / wall * 100; }, 0, wall, kMixing, 0);
    ASSERT_EQ(lead.asked.size(), static_cast<std::size_t>(MixingLeadTable::kMostSteps)) << wall;
    EXPECT_TRUE(lead.covers(wall)) << wall;
    EXPECT_TRUE(std::isfinite(lead.extraP2UpTo(wall / 2, 50))) << wall;
  }
  // A wall without an end has no lead rather than a table of no meaning.
  EXPECT_TRUE(leadTheMix([](float) { return 50.0f; }, 0, INFINITY, kMixing, 50).asked.empty());
}

struct MixingLeadOnThePlan : testing::ViewFixture {
  MixingLeadOnThePlan() {
    // 2 m high, 30 m long, a slow ramp from 10 % to 70 %.
    surfaces({{2, 30}});
    proportions({{"0.00", 10}, {"30.00", 70}});
    plan.setMixingLead(true);
  }
  float planAt(float area) const { return path.ProportionAtDistance(path.DistanceForArea(area)); }
};

TEST_F(MixingLeadOnThePlan, TheRedCurveFollowsThePlan) {
  // The main window's walk, fed what the dosing asks with the lead: the roller lays the plan.
  for (const MixColumn& column : predictedMix(sources()).columns)
    ASSERT_NEAR(column.proportion, planAt(column.area), 0.3) << column.area;
  plan.setMixingLead(false);
  const PredictedMix lagging = predictedMix(sources());
  const MixColumn& middle = lagging.columns[lagging.columns.size() / 2];
  EXPECT_LT(middle.proportion, planAt(middle.area) - 5);
}

TEST_F(MixingLeadOnThePlan, ThePumpsAreAskedTheLeadAndItsLitres) {
  const float slope = 60.0f / 60;  // points per m²
  EXPECT_NEAR(path.LedProportionAtDistance(10), path.ProportionAtDistance(10) + 10.71f * slope, 0.5);
  // The plan holds past the wall: so does the lead.
  EXPECT_FLOAT_EQ(path.LedProportionAtDistance(40), 70);
  // Up to the end, P2 gives what the mixing volume holds more of (1.5 l × 60 points), P1 as much less.
  const Litres plan = path.LitresUpTo(40), led = path.LedLitresUpTo(40);
  EXPECT_NEAR(led.P2 - plan.P2, 1.5f * 0.6f, 0.01);
  EXPECT_NEAR(led.P1 - plan.P1, -1.5f * 0.6f, 0.01);
  // A change of the settings leads anew.
  setting("Filtre(l)=0.00");
  EXPECT_NEAR(path.LedProportionAtDistance(10), path.ProportionAtDistance(10), 0.05);
}

TEST_F(MixingLeadOnThePlan, ASurfaceOfAHundredMillionMetresIsLed) {
  surfaces({{1e8f, 30}});
  EXPECT_EQ(path.mixingLead().asked.size(), static_cast<std::size_t>(MixingLeadTable::kMostSteps));
  EXPECT_TRUE(std::isfinite(path.LedProportionAtDistance(15)));
  EXPECT_TRUE(std::isfinite(path.LedLitresUpTo(15).P2));
}

TEST_F(MixingLeadOnThePlan, TheLargestMixingVolumeStillLeadsWithNumbers) {
  setting("Filtre(l)=3.0000E+38");  // times 7.14 m²/l it would overflow: refused
  EXPECT_EQ(settings.settings().Filtre, "1.50");
  setting("Filtre(l)=838.86");
  EXPECT_TRUE(std::isfinite(path.LedProportionAtDistance(10)));
  const Litres led = path.LedLitresUpTo(40);
  EXPECT_TRUE(std::isfinite(led.P1) && std::isfinite(led.P2));
}

TEST_F(MixingLeadOnThePlan, AFullHoseIsLaidFirstAndTheLeadStartsAfterIt) {
  plan.SelectHoseState(HoseState::Full);
  plan.setStartProportion(40);
  const MixingLeadTable& lead = path.mixingLead();
  EXPECT_NEAR(lead.fromArea, 7.14f, 1e-4);  // the hose's litre at 7.14 m²/l
  EXPECT_FLOAT_EQ(path.LedProportionAtDistance(3), path.ProportionAtDistance(3));
  // The roller starts on the hose's 40 %: the lead brings it down to the plan as fast as it can.
  EXPECT_EQ(*std::min_element(lead.asked.begin(), lead.asked.begin() + 20), 0);
}

}  // namespace
}  // namespace chromaflow
