// The pointer gestures of the main window: picking, moving, inserting and removing proportion
// points, and grabbing the travelled-distance and hose bars.

#include "core/session/pointer_editing.h"

#include <gtest/gtest.h>

#include <climits>

#include "view_fixture.h"

namespace chromaflow {
namespace {

struct PointerEditing : testing::ViewFixture {
  ChartEditState state;
  void SetUp() override {
    surfaces({{2, 10}});
    proportions({{"0.00", 0}, {"5.00", 50}, {"10.00", 100}});  // the middle point at (312, 58)
  }
};

TEST_F(PointerEditing, PointIsPickedWithinNinePixelsEachWay) {
  const struct {
    int x, y, row;
  } cases[] = {{321, 67, 2}, {303, 49, 2}, {322, 58, 0}, {312, 48, 0}, {9, 106, 1}, {INT_MIN, INT_MAX, 0}};
  for (const auto& c : cases) EXPECT_EQ(chartHitTest(sources(), c.x, c.y).row, c.row) << c.x << "," << c.y;
  EXPECT_EQ(chartHitTest(sources(), 315, 60),
            (ChartHit{2, PointerCursor::Move, "Proportions originales : L= 5.00 m, Proportions= 50 %)", true}));
  EXPECT_EQ(chartHitTest(sources(), 200, 60), (ChartHit{0, PointerCursor::Default, "", false}));
}

TEST_F(PointerEditing, OfOverlappingPointsTheLastRowWins) {
  proportions({{"5.00", 50}, {"5.10", 52}});  // (312, 58) and (319, 56)
  EXPECT_EQ(chartHitTest(sources(), 315, 57).row, 2);
  proportions({{"5.00", 50}, {"5.00", 51}});  // one distance twice, as pointer editing allows
  EXPECT_EQ(chartHitTest(sources(), 312, 58).panel1, "Proportions originales : L= 5.00 m, Proportions= 51 %)");
}

TEST_F(PointerEditing, MovedPointJumpsToWhereItIsReleased) {
  EXPECT_TRUE(chartPointerMoved(state, sources(), 315, 60).hit.has_value());
  chartButtonPressed(state);
  // While it is moved no point is looked for: cursor, panel 1 and "Supprimer" stay.
  const ChartPointerAnswer during = chartPointerMoved(state, sources(), 500, 29);
  EXPECT_TRUE(during.panel0.has_value());
  EXPECT_FALSE(during.hit.has_value());
  // 500 of 625 pixels is 8 m; row 29 of 116 is 75 %.
  EXPECT_EQ(chartButtonReleased(state, sources(), 500, 29), (MovedPoint{2, {"8.00", 75}}));
  EXPECT_FALSE(state.PointDragging);

  chartPointerMoved(state, sources(), 200, 20);  // pressed beside every point
  chartButtonPressed(state);
  EXPECT_FALSE(chartButtonReleased(state, sources(), 500, 29).has_value());

  chartPointerMoved(state, sources(), 625, 0);
  chartButtonPressed(state);
  proportions({{"0.00", 0}});  // the row picked up went from the table meanwhile
  EXPECT_FALSE(chartButtonReleased(state, sources(), 500, 29).has_value());
}

TEST_F(PointerEditing, InsertAndRemoveActWhereThePopupOpened) {
  chartPointerMoved(state, sources(), 500, 29);
  EXPECT_EQ(insertedPoint(state, sources()), (ProportionPoint{"8.00", 75}));
  EXPECT_FALSE(rowToRemove(state, plan).has_value());
  chartPointerMoved(state, sources(), 312, 58);
  EXPECT_EQ(rowToRemove(state, plan), 2);
  proportions({{"0.00", 0}});
  EXPECT_FALSE(rowToRemove(state, plan).has_value());

  plan.clearProportions();
  const ChartPointerAnswer answer = chartPointerMoved(state, sources(), 40, 50);
  EXPECT_TRUE(answer.insertEnabled);
  EXPECT_FALSE(answer.panel0.has_value());
  plan.clearSurfaces();
  EXPECT_FALSE(chartPointerMoved(state, sources(), 40, 50).insertEnabled);
  EXPECT_FALSE(insertedPoint(state, sources()).has_value());
}

TEST_F(PointerEditing, DistanceKeepsSixSignificantDigits) {
  surfaces({{2, 19999}});  // 19999 m x 386 / 625 = 12351.38 m
  EXPECT_EQ(pointAtPixel(sources(), 386, 116), (ProportionPoint{"12351.40", 0}));
  EXPECT_EQ(pointAtPixel(sources(), 700, -5), (ProportionPoint{"19999.00", 100}));
}

TEST_F(PointerEditing, APointerAnywhereGivesAPointOnTheChart) {
  // Far beyond the image, as a replay or a stray event may give: the point lands on the chart's
  // edge, without any arithmetic leaving its type.
  EXPECT_EQ(pointAtPixel(sources(), 50, INT_MAX), (ProportionPoint{"0.80", 0}));
  EXPECT_EQ(pointAtPixel(sources(), INT_MAX, INT_MIN), (ProportionPoint{"10.00", 100}));
  EXPECT_EQ(pointAtPixel(sources(), INT_MIN, INT_MAX), (ProportionPoint{"0.00", 0}));
  chartPointerMoved(state, sources(), 50, INT_MAX);
  EXPECT_EQ(insertedPoint(state, sources()), (ProportionPoint{"0.80", 0}));
}

TEST_F(PointerEditing, BarsAreGrabbedNearTheirMarker) {
  // The travelled marker at 5 m stands at pixel 312; the hose's at 0.5 of 1 l at 35 of 70.
  const struct {
    int x;
    bool near;
  } travel[] = {{321, true}, {303, true}, {322, false}, {INT_MIN, false}};
  for (const auto& c : travel) {
    EXPECT_EQ(travelBarCursor(sources(), c.x, 5), c.near ? PointerCursor::HorizontalSplit : PointerCursor::Default);
    EXPECT_EQ(travelBarGrabbed(sources(), c.x, 5), c.near) << c.x;
  }
  const struct {
    int x;
    float distance;
    bool near;
  } hose[] = {{39, 0, true}, {31, 0, true}, {40, 0, false}, {35, 0.01f, false}};  // not once travelled
  for (const auto& c : hose) {
    EXPECT_EQ(hoseBarCursor(sources(), c.x, 0.5f, c.distance),
              c.near ? PointerCursor::HorizontalSplit : PointerCursor::Default);
    EXPECT_EQ(hoseBarGrabbed(sources(), c.x, 0.5f, c.distance), c.near) << c.x;
  }
}

}  // namespace
}  // namespace chromaflow
