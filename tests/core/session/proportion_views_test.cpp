// The main window's pictures as data: surfaces, plan curve, predicted mix, colour scale.

#include "core/session/proportion_views.h"

#include <gtest/gtest.h>

#include "view_fixture.h"

namespace chromaflow {
namespace {

struct ProportionViews : testing::ViewFixture {
  static constexpr float kColumnArea = 0.032f;  // one pixel column of the 2 m x 10 m wall
  static constexpr float kHoseArea = 7.14f;     // the hose's litre at 7.14 m²/l
  float askedAt(float area) const { return path.ProportionAtDistance(path.DistanceForArea(area)); }
};

TEST_F(ProportionViews, SurfacesStandOnTheBottomScaledToTheTallest) {
  EXPECT_TRUE(surfaceRectangles(sources()).empty());
  surfaces({{2, 10}, {1, 5}});  // 10 of 15 m: 416.7 pixels; 1 of 2 m: 59.5 rows, to even
  EXPECT_EQ(surfaceRectangles(sources()), (std::vector<PixelRect>{{0, 0, 417, 119}, {417, 59, 625, 119}}));
}

TEST_F(ProportionViews, RampWithNoColoursRunsCornerToCornerInWhite) {
  ramp();
  const PlanCurve curve = planCurve(sources());
  EXPECT_EQ(curve.line, (std::vector<PixelPoint>{{0, 115}, {0, 115}, {625, 0}, {625, 0}}));
  EXPECT_EQ(curve.diamonds, (std::vector<PixelPoint>{{0, 115}, {625, 0}}));
  const PredictedMix mix = predictedMix(sources());
  EXPECT_TRUE(mix.complete);
  ASSERT_GT(mix.columns.size(), 600u);
  for (const MixColumn& column : mix.columns) EXPECT_EQ(column.colour, kWhite);
  EXPECT_EQ(colourScale(sources(), 116), std::vector<Rgb>(117, kWhite));
}

TEST_F(ProportionViews, WithoutRowsOrSurfacesOnlyTheScaleIsDrawn) {
  colours.addRow({0, 255, 255, 255});
  colours.addRow({100, 0, 0, 255});
  surfaces({{2, 10}});
  EXPECT_TRUE(planCurve(sources()).line.empty());
  EXPECT_EQ(predictedMix(sources()).steps, 0u);
  const std::vector<Rgb> scale = colourScale(sources(), 116);
  ASSERT_EQ(scale.size(), 117u);
  EXPECT_EQ(scale[0], rgbOf(0, 0, 255));  // 100 % at the top
  EXPECT_EQ(scale[58], rgbOf(128, 128, 255));
  EXPECT_EQ(scale[116], kWhite);

  plan.clearSurfaces();
  proportions({{"0.00", 0}, {"10.00", 100}});
  EXPECT_TRUE(planCurve(sources()).line.empty());
  EXPECT_EQ(predictedMix(sources()).steps, 0u);
}

TEST_F(ProportionViews, MixingVolumeDilutesWhatIsAsked) {
  ramp();
  setting("Filtre(l)=0.00");  // nothing to mix with: the roller lays what is asked
  for (const MixColumn& column : predictedMix(sources()).columns) {
    ASSERT_FLOAT_EQ(column.proportion, askedAt(column.area));
    ASSERT_EQ(column.curveY, path.ProportionY(askedAt(column.area), view));
  }
  setting("Filtre(l)=10.00");  // 71.4 m² of mixing on a 20 m² wall lags far behind
  const PredictedMix mix = predictedMix(sources());
  for (const MixColumn& column : mix.columns) ASSERT_LT(column.proportion, askedAt(column.area));
  EXPECT_LT(mix.columns.back().proportion, 50);
}

TEST_F(ProportionViews, EmptyHoseIsFilledBeforeTheFirstColumnIsDrawn) {
  surfaces({{2, 10}});
  proportions({{"0.00", 40}, {"10.00", 100}});
  const PredictedMix mix = predictedMix(sources());
  EXPECT_EQ(mix.start, (PixelPoint{0, path.ProportionY(40, view)}));
  // The steps from -7.14 m² up to 0 are walked, not drawn.
  const auto hidden = static_cast<float>(mix.steps - mix.columns.size());
  EXPECT_NEAR(hidden * kColumnArea, kHoseArea, kColumnArea);
  ASSERT_FALSE(mix.columns.empty());
  EXPECT_GT(mix.columns.front().area, 0);
  EXPECT_LE(mix.columns.front().x, 1);
  EXPECT_NEAR(mix.columns.front().proportion, 40, 0.01);
}

TEST_F(ProportionViews, FullHoseIsPushedOutBeforeThePlanArrives) {
  ramp();
  setting("Filtre(l)=0.00");
  plan.SelectHoseState(HoseState::Full);
  plan.setStartProportion(40);
  for (bool anticipation : {false, true}) {
    plan.setAnticipation(anticipation);
    const PredictedMix mix = predictedMix(sources());
    EXPECT_EQ(mix.start, (PixelPoint{0, 70}));
    int inHose = 0;
    for (const MixColumn& column : mix.columns) {
      // Without anticipation the pumps mix for where the roller is: a hose's volume late.
      const float asked = column.area < kHoseArea ? 40 : askedAt(anticipation ? column.area : column.area - kHoseArea);
      ASSERT_FLOAT_EQ(column.proportion, asked) << anticipation << " " << column.area;
      inHose += column.area < kHoseArea;
    }
    EXPECT_EQ(inHose, 223);
  }
}

TEST_F(ProportionViews, NoStepIsWiderThanAColumnOfTheSurfaceItLandsOn) {
  surfaces({{2, 10}, {0.5f, 10}});  // a tall column stepping on would lay four low ones at once
  proportions({{"0.00", 0}});
  const PredictedMix mix = predictedMix(sources());
  ASSERT_TRUE(mix.complete);
  const float columnLength = path.DistanceAtX(1, view);
  for (std::size_t k = 1; k < mix.columns.size(); ++k) {
    const float landedOn = path.HeightAtDistance(path.DistanceForArea(mix.columns[k].area));
    ASSERT_LE(mix.columns[k].area - mix.columns[k - 1].area, columnLength * landedOn * 1.001f);
  }
  EXPECT_EQ(mix.columns.front().top, 0);
  EXPECT_EQ(mix.columns.back().top, 89);
}

// A walk that cannot move on ends, keeping what it walked, instead of holding the window.
TEST_F(ProportionViews, WalkThatCannotAdvanceEnds) {
  ramp();
  view.surfaceWidth = 0;  // columns of no area
  PredictedMix mix = predictedMix(sources());
  EXPECT_FALSE(mix.complete);
  EXPECT_EQ(mix.steps, 1u);
  view = ViewMetrics{};

  setting("Retard(l)=838.86");  // the largest hose: from -5990 m², where a 32-bit step is 0.0005 m²
  surfaces({{0.01f, 10}});      // a wall 1 cm high: columns of 0.00016 m², lost in that step
  mix = predictedMix(sources());
  EXPECT_FALSE(mix.complete);
  EXPECT_TRUE(mix.columns.empty());

  surfaces({{1000, 1000}, {0.01f, 1}});  // a very low surface after 1e6 m²
  plan.SelectHoseState(HoseState::Full);
  mix = predictedMix(sources());
  EXPECT_FALSE(mix.complete);
  EXPECT_GE(mix.columns.size(), 620u);  // the tall surface is drawn all the same

  mix = predictedMix(sources(), 100);
  EXPECT_FALSE(mix.complete);
  EXPECT_EQ(mix.steps, 100u);
}

}  // namespace
}  // namespace chromaflow
