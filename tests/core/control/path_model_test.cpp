#include "core/control/path_model.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "core/common/display_forms.h"
#include "support/literal_path_model.h"

namespace chromaflow {
namespace {

struct PathFixture : ::testing::Test {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  ViewMetrics view;

  void surfaces(std::initializer_list<Surface> list) {
    plan.clearSurfaces();
    for (const Surface& s : list) plan.appendSurface(s);
    plan.RecomputeSurfaces();
  }
  void proportions(std::initializer_list<std::pair<const char*, int>> rows) {
    plan.clearProportions();
    for (const auto& [distance, proportion] : rows) plan.appendProportion(distance, proportion);
    plan.RefreshProportions();
  }
};

TEST_F(PathFixture, OneSurfaceExtendsWithItsHeight) {
  surfaces({{2, 10}});
  EXPECT_FLOAT_EQ(path.DistanceForArea(5), 2.5f);
  EXPECT_FLOAT_EQ(path.DistanceForArea(30), 15);
  EXPECT_FLOAT_EQ(path.AreaAtDistance(12), 24);
  EXPECT_FLOAT_EQ(path.HeightAtDistance(10), 2);
  EXPECT_FLOAT_EQ(path.HeightAtDistance(50), 2);
  EXPECT_EQ(path.DistanceForArea(-1), 0);
  EXPECT_EQ(path.AreaAtDistance(-1), 0);
}

TEST_F(PathFixture, ASurfaceEndBelongsToItsSurface) {
  surfaces({{2, 10}, {1, 5}});
  EXPECT_FLOAT_EQ(path.DistanceForArea(22), 12);
  EXPECT_FLOAT_EQ(path.HeightAtDistance(10), 2);
  EXPECT_FLOAT_EQ(path.HeightAtDistance(10.01f), 1);
}

TEST_F(PathFixture, ProportionsHoldBeforeTheFirstAndAfterTheLastRow) {
  EXPECT_EQ(path.ProportionAtDistance(3), 0);
  proportions({{"0.00", 0}, {"10.00", 100}});
  EXPECT_EQ(path.ProportionAtDistance(-3), 0);
  EXPECT_FLOAT_EQ(path.ProportionAtDistance(5), 50);
  EXPECT_EQ(path.ProportionAtDistance(20), 100);
  proportions({{"4.00", 30}});
  EXPECT_EQ(path.ProportionAtDistance(-1), 30);
  EXPECT_EQ(path.ProportionAtDistance(99), 30);
}

TEST_F(PathFixture, LitresFollowTheMixOverTheArea) {
  surfaces({{2, 10}});
  EXPECT_EQ(path.LitresUpTo(5), (Litres{}));  // no proportions yet
  proportions({{"0.00", 0}, {"10.00", 100}});
  const Litres whole = path.LitresUpTo(10);
  EXPECT_NEAR(whole.P1, 1.4, 1e-6);
  EXPECT_NEAR(whole.P2, 1.4, 1e-6);
  const Litres half = path.LitresUpTo(5);
  EXPECT_NEAR(half.P1, 1.05, 1e-6);
  EXPECT_NEAR(half.P2, 0.35, 1e-6);
  EXPECT_EQ(path.LitresUpTo(-2), (Litres{}));
  EXPECT_GT(path.LitresUpTo(12).P2, whole.P2);  // beyond the plan the last surface goes on

  // A proportion row on a surface end adds nothing.
  surfaces({{2, 5}, {2, 5}});
  const Litres before = path.LitresUpTo(10);
  proportions({{"0.00", 0}, {"5.00", 50}, {"10.00", 100}});
  EXPECT_EQ(path.LitresUpTo(10), before);

  // Two rows at one distance: the path goes on from the later one, and the litres only grow.
  surfaces({{2, 10}});
  proportions({{"0.00", 0}, {"0.00", 94}, {"4.00", 30}, {"6.00", 30}, {"6.00", 80}});
  EXPECT_NEAR(path.LitresUpTo(4).P2, 0.14 * 8 * (94 + 30) / 200.0, 1e-5);
  EXPECT_NEAR(path.LitresUpTo(8).P2 - path.LitresUpTo(6).P2, 0.14 * 4 * 0.8, 1e-5);
  for (float d = 0.1f; d < 10; d += 0.1f) EXPECT_GE(path.LitresUpTo(d).P2, path.LitresUpTo(d - 0.1f).P2) << d;
}

TEST_F(PathFixture, SurfacesOfAreaShownAsZeroGiveTheLowerEnd) {
  surfaces({{0.01f, 0.01f}});  // 0.0001 m², shown 0.00: an interval of no area
  EXPECT_EQ(path.DistanceForArea(0), 0);
  EXPECT_FLOAT_EQ(path.DistanceForArea(1), 100.01f);
  EXPECT_EQ(path.AreaAtDistance(0), 0);
  EXPECT_EQ(path.AreaAtDistance(0.005f), 0);
  surfaces({{0.01f, 0.01f}, {2, 4}});
  EXPECT_FLOAT_EQ(path.DistanceForArea(4), 2.01f);
}

TEST_F(PathFixture, PixelConversions) {
  surfaces({{2, 10}});
  plan.RecomputeSurfaces();
  EXPECT_EQ(path.SurfaceX(5, view), 312);  // 312.5 to even
  EXPECT_EQ(path.SurfaceX(11, view), 625);
  EXPECT_FLOAT_EQ(path.DistanceAtX(625, view), 10);
  EXPECT_FLOAT_EQ(path.DistanceAtX(700, view), 10);
  surfaces({{1, 1e38f}});  // length x pixels is beyond 32 bits: the wall is still drawn and picked
  EXPECT_FLOAT_EQ(path.DistanceAtX(125, view), 2e37f);
  EXPECT_EQ(path.SurfaceX(2e37f, view), 125);
  surfaces({{2, 10}});
  EXPECT_EQ(path.ProportionY(0, view), 115);
  EXPECT_EQ(path.SurfaceY(0, 2, view), 119);
  EXPECT_EQ(path.ProportionY(100, view), 0);
  EXPECT_EQ(path.ProportionAtY(0, view), 100);
  EXPECT_EQ(path.ProportionAtY(116, view), 0);
  EXPECT_EQ(path.ProportionAtY(58, view), 50);
  ViewMetrics flat = view;  // a view shrunk to no height reads no proportion, wherever the pointer
  flat.proportionHeight = 0;
  for (int y : {-5, 0, 5}) EXPECT_EQ(path.ProportionAtY(y, flat), 0) << y;
  EXPECT_EQ(path.HoseX(0.5f, view), 35);
  EXPECT_EQ(path.HoseX(2, view), 70);
  EXPECT_FLOAT_EQ(path.HoseLitresAtX(35, view), 0.5f);
  // The marker at the bar's end holds the whole delay to the last bit, whatever its figure
  // (0.98 x 70 / 70 is not 0.98 in 32-bit reals): the hose is full, and the next roller pulse paints.
  for (const char* retard : {"0.94", "0.98", "1.00", "2.37"}) {
    settings.applyFileLines({std::string("Retard(l)=") + retard});
    EXPECT_EQ(path.HoseLitresAtX(70, view), value32(retard)) << retard;
    EXPECT_EQ(path.HoseLitresAtX(71, view), value32(retard)) << retard;
  }
  settings.applyFileLines({"Retard(l)=0.00"});
  EXPECT_EQ(path.HoseX(0, view), 70);
  EXPECT_EQ(path.HoseLitresAtX(35, view), 0);
}

// Random plans with the awkward cases: rows on surface ends, two rows at one distance,
// distances before 0 and beyond the path, surfaces shown as 0.00.
TEST_F(PathFixture, FastModelMatchesTheLiteralOneBitForBit) {
  std::mt19937 random(7);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  for (int round = 0; round < 300; ++round) {
    plan.clearSurfaces();
    const int n = pick(0, 12);
    for (int i = 0; i < n; ++i) {
      const float h = pick(0, 9) == 0 ? 0.01f : static_cast<float>(pick(1, 400)) / 100;
      const float l = pick(0, 9) == 0 ? 0.01f : static_cast<float>(pick(1, 900)) / 100;
      plan.appendSurface({h, l});
    }
    plan.RecomputeSurfaces();
    plan.clearProportions();
    const int m = pick(0, 12);
    const float length = n ? static_cast<float>(value(plan.surfaceRow(n)[4])) : 10;
    for (int j = 0; j < m; ++j) {
      std::string distance;
      switch (pick(0, 3)) {
        case 0: distance = n ? plan.surfaceRow(pick(1, n))[4] : "0.00"; break;  // on a surface end
        case 1: distance = j ? plan.proportionRows()[pick(0, j - 1)][1] : "0.00"; break;  // shared
        default: distance = F2(static_cast<float>(pick(0, 1200)) / 1000 * length);
      }
      plan.appendProportion(distance, pick(0, 100));
    }
    plan.RefreshProportions();
    const testing::LiteralPathModel literal(readPathTables(plan), settingValue(settings.settings().LitreM2));
    for (int q = 0; q < 40; ++q) {
      float x = static_cast<float>(pick(-200, 1400)) / 1000 * length;
      if (q % 7 == 0 && !path.tables().CL.empty()) x = path.tables().CL[pick(0, n - 1)];
      if (q % 11 == 0 && !path.tables().D.empty()) x = path.tables().D[pick(0, m - 1)];
      const float area = x * 2;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(path.DistanceForArea(area)),
                std::bit_cast<std::uint32_t>(literal.DistanceForArea(area))) << round << " " << area;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(path.AreaAtDistance(x)), std::bit_cast<std::uint32_t>(literal.AreaAtDistance(x)));
      ASSERT_EQ(path.HeightAtDistance(x), literal.HeightAtDistance(x));
      ASSERT_EQ(std::bit_cast<std::uint32_t>(path.ProportionAtDistance(x)),
                std::bit_cast<std::uint32_t>(literal.ProportionAtDistance(x)));
      const Litres fast = path.LitresUpTo(x), slow = literal.LitresUpTo(x);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(fast.P1), std::bit_cast<std::uint32_t>(slow.P1)) << round << " d=" << x;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(fast.P2), std::bit_cast<std::uint32_t>(slow.P2)) << round << " d=" << x;
    }
  }
}

TEST_F(PathFixture, RebuildsWhenThePlanChanges) {
  surfaces({{2, 10}});
  proportions({{"0.00", 20}});
  EXPECT_EQ(path.ProportionAtDistance(5), 20);
  plan.setProportion(1, "0.00", 70);
  EXPECT_EQ(path.ProportionAtDistance(5), 70);
  surfaces({{1, 10}});
  EXPECT_FLOAT_EQ(path.AreaAtDistance(10), 10);
}

}  // namespace
}  // namespace chromaflow

namespace chromaflow {
namespace {

// Whatever edits the plan and its colours go through, the path reads the plan's cells as they
// stand (no table kept from before an edit), and the rows stay sorted by their distance cells,
// numbered and coloured from the colour table as it stands.
TEST_F(PathFixture, ThePathAndTheRowsFollowEveryEdit) {
  std::mt19937 random(11);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto distance = [&] { return F2(0.5 * pick(12)); };  // few distances: many rows share one
  for (int edit = 0; edit < 3000; ++edit) {
    const int m = plan.proportionCount(), n = plan.surfaceCount();
    switch (pick(10)) {
      case 0: case 1: plan.appendProportion(distance(), pick(101)); break;
      case 2: case 3: if (m > 0) plan.setProportion(1 + pick(m), distance(), pick(101)); break;
      case 4: if (m > 0) plan.removeProportion(1 + pick(m)); break;
      case 5: plan.appendSurface({0.5f + pick(4), 0.5f + pick(6)}); break;
      case 6: if (n > 0) plan.setSurface(1 + pick(n), {0.5f + pick(4), 0.5f + pick(6)}); break;
      case 7: if (n > 0) plan.removeSurface(1 + pick(n)); break;
      case 8:
        // A colour edit, then the refresh the documents run after it.
        if (colours.rows().size() < 4) colours.addRow({25 * pick(5), pick(256), pick(256), pick(256)});
        else if (pick(2)) colours.setRow(1 + pick(4), {25 * pick(5), pick(256), pick(256), pick(256)});
        else colours.removeRow(1 + pick(4));
        plan.RefreshProportions();
        break;
      default:
        if (pick(4) == 0) plan.NewPlan();
        else plan.RefreshProportions();
    }
    const PathTables& tables = path.tables();
    ASSERT_EQ(tables.D.size(), static_cast<std::size_t>(plan.proportionCount())) << "edit " << edit;
    ASSERT_EQ(tables.CL.size(), static_cast<std::size_t>(plan.surfaceCount())) << "edit " << edit;
    for (int i = 1; i <= plan.surfaceCount(); ++i)
      ASSERT_EQ(tables.CL[i - 1], value32(plan.surfaceCell(i, 4))) << "edit " << edit << ", surface " << i;
    for (int j = 1; j <= plan.proportionCount(); ++j) {
      const ProportionRow& row = plan.proportionRows()[j - 1];
      ASSERT_EQ(tables.D[j - 1], value32(row[1])) << "edit " << edit << ", row " << j;
      ASSERT_EQ(tables.P[j - 1], value32(row[2])) << "edit " << edit << ", row " << j;
      if (j > 1) {
        ASSERT_LE(value(plan.proportionRows()[j - 2][1]), value(row[1])) << "edit " << edit;
      }
      const ColourLookup colour = colours.ColourOfProportion(value32(row[2]));
      ASSERT_EQ(row[0], std::to_string(j)) << "edit " << edit;
      ASSERT_EQ(row[3], std::to_string(colour.colour)) << "edit " << edit << ", row " << j;
    }
  }
}

}  // namespace
}  // namespace chromaflow
