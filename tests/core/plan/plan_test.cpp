#include "core/plan/plan.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/common/text_file.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::crlf;
using testing::readBytes;
using testing::ScriptedAsker;
using testing::TempDir;
using testing::writeBytes;

const std::vector<std::string> kEmptyPlan = {
    "Surf.;H (m);L (m);S (m2);L report (m);S (m2)", "", "Prop.;Distance (m);Proportions (%);RGB;R;G;B",
    "Etat tuyau=vide", "Proportions initiales=0", "Anticipation=Yes"};

struct PlanFixture : ::testing::Test {
  TempDir dir;
  ScriptedAsker asker;
  ColourTable colours;
  Plan plan{colours};
  std::vector<HoseState> hoseSelections;
  Subscription selections;

  void SetUp() override {
    colours.addRow({0, 255, 255, 255});
    colours.addRow({100, 0, 0, 255});
    selections = plan.hoseStateSelected.subscribe([this](HoseState state) { hoseSelections.push_back(state); });
  }
  void open(const std::vector<std::string>& lines) {
    writeBytes(dir.file("wall.spv"), crlf(lines));
    asker.openAnswers.push_back(dir.file("wall.spv"));
    plan.OpenPlan(true, &asker);
  }
  std::string save(const std::string& name = "out.spv") {
    plan.name().set(dir.file(name));
    plan.SavePlan(false, &asker);
    return readBytes(dir.file(name));
  }
};

TEST_F(PlanFixture, EmptyPlanIsSixLinesAndReadsBackEmpty) {
  plan.NewPlan();
  EXPECT_EQ(plan.name().title(), "Surfaces et proportions - Noname.spv");
  EXPECT_EQ(save(), crlf(kEmptyPlan));
  plan.appendSurface({1, 1});
  plan.appendProportion("1.00", 10);
  asker.openAnswers.push_back(dir.file("out.spv"));
  plan.OpenPlan(true, &asker);
  EXPECT_EQ(plan.surfaceCount(), 0);
  EXPECT_EQ(plan.proportionCount(), 0);
  EXPECT_EQ(plan.totals().LongTot, "0");
  EXPECT_EQ(plan.totals().HMax, "0.00");
}

TEST_F(PlanFixture, SurfacesAccumulateAndWriteTheMainWindowTotals) {
  plan.appendSurface({2, 3});
  plan.appendSurface({1, 4});
  plan.RecomputeSurfaces();
  EXPECT_EQ(plan.surfaceRow(1), (SurfaceRow{"1", "2.00", "3.00", "6.00", "3.00", "6.00"}));
  EXPECT_EQ(plan.surfaceRow(2), (SurfaceRow{"2", "1.00", "4.00", "4.00", "7.00", "10.00"}));
  EXPECT_EQ(plan.totals().LongTot, "7.00");
  EXPECT_EQ(plan.totals().LTot, "7.0");
  EXPECT_EQ(plan.totals().STot, "10.0");
  EXPECT_EQ(plan.totals().HMax, "2.00");
  EXPECT_EQ(plan.surfaceCell(3, 0), " +");
  EXPECT_EQ(plan.surfaceCell(0, 4), "L report (m)");
  // The grid's cells are the rows' own, first row included; around them, nothing.
  for (int i = 1; i <= 2; ++i)
    for (int c = 0; c <= 5; ++c) EXPECT_EQ(plan.surfaceCell(i, c), plan.surfaceRow(i)[c]) << i << "," << c;
  for (const auto& [row, column] : {std::pair{-1, 1}, {3, 1}, {4, 0}, {1, 6}, {1, -1}})
    EXPECT_EQ(plan.surfaceCell(row, column), "") << row << "," << column;

  plan.insertSurface(2, {5, 1});
  plan.RecomputeSurfaces();
  EXPECT_EQ(plan.surfaceRow(2)[4], "4.00");
  EXPECT_EQ(plan.surfaceRow(3)[5], "15.00");
  EXPECT_EQ(plan.totals().HMax, "5.00");

  // Any row from the first to the last may be rewritten; none beyond.
  EXPECT_TRUE(plan.setSurface(3, {2, 2}));
  EXPECT_EQ(plan.surfaceRow(3), (SurfaceRow{"3", "2.00", "2.00", "4.00", "6.00", "15.00"}));
  EXPECT_TRUE(plan.setSurface(1, {1, 1}));
  EXPECT_FALSE(plan.setSurface(4, {1, 1}));
  EXPECT_FALSE(plan.setSurface(0, {1, 1}));
  EXPECT_EQ(plan.surfaceCount(), 3);
  EXPECT_EQ(plan.surfaceCell(3, 5), "10.00");  // the last column is the cumulative area: 1 + 5 + 4

  // Removing a row, the last one included, recomputes what follows it.
  EXPECT_FALSE(plan.removeSurface(4));
  EXPECT_TRUE(plan.removeSurface(1));
  EXPECT_EQ(plan.surfaceRow(1), (SurfaceRow{"1", "5.00", "1.00", "5.00", "1.00", "5.00"}));
  EXPECT_TRUE(plan.removeSurface(2));
  EXPECT_EQ(plan.surfaceCount(), 1);
  EXPECT_EQ(plan.totals().STot, "5.0");
}

TEST_F(PlanFixture, SurfacesAreHeldAsShownSoTheyReadBackTheSame) {
  // Lengths of 1.006 m show as 1.01: the cumulative length is that of what is shown.
  open({"Surf.", "1;2.00;1.006", "2;2.00;1.006", "3;0.004;5.00", "4;1e39;1.00"});
  ASSERT_EQ(plan.surfaceCount(), 2);
  EXPECT_EQ(plan.surfaceRow(2)[4], "2.02");
  const std::string first = save("first.spv");
  asker.openAnswers.push_back(dir.file("first.spv"));
  plan.OpenPlan(true, &asker);
  EXPECT_EQ(save("second.spv"), first);
  EXPECT_FALSE(plan.appendSurface({0.004f, 1}));
  // A wall whose area (or added-up area) no 32-bit real holds would be painted and saved as INF.
  EXPECT_FALSE(plan.appendSurface({1e38f, 28}));
  EXPECT_TRUE(plan.appendSurface({1e38f, 2}));
  EXPECT_FALSE(plan.appendSurface({1e38f, 2}));
  EXPECT_FALSE(plan.setSurface(1, {1e38f, 2}));
  EXPECT_EQ(plan.surfaceRow(1)[1], "2.00");
  EXPECT_EQ(plan.surfaceCount(), 3);
}

TEST_F(PlanFixture, TheTableHoldsAHundredSurfaces) {
  std::vector<std::string> lines{"Surf."};
  for (int i = 1; i <= 101; ++i) lines.push_back(std::to_string(i) + ";1.00;" + std::to_string(i) + ".00");
  open(lines);
  ASSERT_EQ(plan.surfaceCount(), 100);
  EXPECT_EQ(plan.surfaceRow(100)[2], "100.00");
  EXPECT_FALSE(plan.appendSurface({1, 1}));
  EXPECT_FALSE(plan.insertSurface(1, {1, 1}));
  EXPECT_EQ(plan.surfaceCount(), 100);
  EXPECT_EQ(plan.surfaceRow(1)[2], "1.00");
}

TEST_F(PlanFixture, ProportionRowsSortByDistanceAndTakeTheirColours) {
  plan.appendProportion("10.00", 100);
  plan.appendProportion("2.00", 0);
  plan.appendProportion("5.00", 50);
  plan.appendProportion("7.00", 120);  // not covered by the colour table
  plan.RefreshProportions();
  EXPECT_EQ(plan.proportionRows()[0], (ProportionRow{"1", "2.00", "0", "16777215", "255", "255", "255"}));
  EXPECT_EQ(plan.proportionRows()[1], (ProportionRow{"2", "5.00", "50", "16744576", "128", "128", "255"}));
  EXPECT_EQ(plan.proportionRows()[2][3], "16777215");
  EXPECT_EQ(plan.proportionRows()[3], (ProportionRow{"4", "10.00", "100", "16711680", "0", "0", "255"}));
}

TEST_F(PlanFixture, ExchangeSortIsNotStable) {
  // Rows at 5, 5, 1: the exchange of rows 1 and 3 moves the first 5 behind the second.
  plan.appendProportion("5.00", 10);
  plan.appendProportion("5.00", 20);
  plan.appendProportion("1.00", 30);
  plan.RefreshProportions();
  EXPECT_EQ(plan.proportionOf(1), 30);
  EXPECT_EQ(plan.proportionOf(2), 20);
  EXPECT_EQ(plan.proportionOf(3), 10);

  // Rows at 5, 5, 1, 1: only a row strictly nearer is exchanged, so each pair of equal
  // distances keeps the order those exchanges leave: 30 before 40, 10 before 20.
  plan.clearProportions();
  for (const auto& [distance, proportion] : {std::pair{"5.00", 10}, {"5.00", 20}, {"1.00", 30}, {"1.00", 40}})
    plan.appendProportion(distance, proportion);
  plan.RefreshProportions();
  EXPECT_EQ((std::vector<int>{plan.proportionOf(1), plan.proportionOf(2), plan.proportionOf(3), plan.proportionOf(4)}),
            (std::vector<int>{30, 40, 10, 20}));
  // Any row from the first to the last may be removed; none beyond.
  EXPECT_FALSE(plan.removeProportion(5));
  EXPECT_TRUE(plan.removeProportion(4));
  EXPECT_EQ(plan.proportionCount(), 3);
  EXPECT_EQ(plan.proportionOf(3), 10);
}

TEST_F(PlanFixture, ReadingSkipsWhatDoesNotFit) {
  open({"Surf.;H (m);L (m);S (m2);L report (m);S (m2)", "1;2.00;3.00;6.00;3.00;6.00", "2;0.00;3.00",
        "3;2;3.00", "4;1.50;2.00;junk", "", "Prop.;Distance (m);Proportions (%);RGB;R;G;B",
        "1;5.00;50;0;0;0;0", "2;7.5;120", "3;8.0;-5", "4;-1.00;10", "5;3;10", "6;2.005;30", "7;1e3;40",
        "Etat tuyau=plein", "Proportions initiales=150", "Anticipation=No"});
  ASSERT_EQ(plan.surfaceCount(), 2);
  EXPECT_EQ(plan.surfaceRow(2), (SurfaceRow{"2", "1.50", "2.00", "3.00", "5.00", "9.00"}));
  ASSERT_EQ(plan.proportionCount(), 3);
  EXPECT_EQ(plan.proportionCell(1, 1), "2.01");  // the 32-bit value of 2.005 is just above
  EXPECT_EQ(plan.proportionCell(2, 1), "5.00");
  EXPECT_EQ(plan.proportionCell(3, 1), "1000.00");
  // The grid's cells are the rows' own, to the last column; beyond it, nothing.
  for (int j = 1; j <= 3; ++j)
    for (int c = 0; c <= 6; ++c) EXPECT_EQ(plan.proportionCell(j, c), plan.proportionRows()[j - 1][c]) << j << "," << c;
  EXPECT_EQ(plan.proportionCell(1, 7), "");
  EXPECT_EQ(plan.hoseState(), HoseState::Full);
  EXPECT_EQ(plan.startProportion(), 100);
  EXPECT_FALSE(plan.anticipation());
  EXPECT_EQ(hoseSelections, (std::vector<HoseState>{HoseState::Full}));
}

TEST_F(PlanFixture, InitialConditionLinesNeedTheirTypes) {
  open({"Proportions initiales=12.5", "Etat tuyau=VIDE"});
  EXPECT_EQ(plan.startProportion(), 0);
  EXPECT_EQ(plan.hoseState(), HoseState::Full);  // only "vide" is empty
  open({"Proportions initiales=-4", "Etat tuyau=vide", "Anticipation=No"});
  EXPECT_EQ(plan.startProportion(), 0);
  EXPECT_EQ(plan.hoseState(), HoseState::Empty);
  EXPECT_FALSE(plan.anticipation());  // a file may switch it off while the hose is empty
  EXPECT_NE(save().find("Anticipation=No"), std::string::npos);
}

// "Compensation du mélange" is a line of its own, written only when on: a plan saved without
// it has the bytes it always had, and a file without it reads as off.
TEST_F(PlanFixture, TheMixingLeadIsWrittenOnlyWhenOn) {
  open({"Etat tuyau=plein", "Anticipation=Yes"});
  EXPECT_FALSE(plan.mixingLead());
  EXPECT_EQ(save().find("Compensation"), std::string::npos);
  plan.setMixingLead(true);
  const std::string bytes = save();
  EXPECT_NE(bytes.find("Anticipation=Yes\r\nCompensation du m\xE9lange=Yes\r\n"), std::string::npos);
  open({"Etat tuyau=plein", "Anticipation=No", "Compensation du m\xE9lange=Yes"});
  EXPECT_TRUE(plan.mixingLead());
  EXPECT_FALSE(plan.leadsTheMix());  // without anticipation it does not know where paint lands
  open({"Compensation du m\xE9lange=No"});
  EXPECT_FALSE(plan.mixingLead());
  plan.setMixingLead(true);
  plan.NewPlan();
  EXPECT_FALSE(plan.mixingLead());
}

TEST_F(PlanFixture, HoseStateSelectsOnceAndEmptyForcesAnticipation) {
  plan.SelectHoseState(HoseState::Empty);
  EXPECT_TRUE(hoseSelections.empty());
  plan.SelectHoseState(HoseState::Full);
  plan.setAnticipation(false);
  plan.SelectHoseState(HoseState::Full);
  EXPECT_FALSE(plan.anticipation());
  plan.SelectHoseState(HoseState::Empty);
  EXPECT_TRUE(plan.anticipation());
  EXPECT_EQ(hoseSelections, (std::vector<HoseState>{HoseState::Full, HoseState::Empty}));
}

TEST_F(PlanFixture, WriteReadWriteGivesTheSameBytes) {
  plan.appendSurface({2.5f, 3.25f});
  plan.appendSurface({1, 12345.678f});
  plan.RecomputeSurfaces();
  plan.appendProportion("3.00", 40);
  plan.appendProportion("0.00", 0);
  plan.RefreshProportions();
  plan.SelectHoseState(HoseState::Full);
  plan.setStartProportion(35);
  const std::string first = save("first.spv");
  EXPECT_NE(first.find("Etat tuyau=plein\r\nProportions initiales=35\r\n"), std::string::npos);
  EXPECT_NE(first.find("\r\n1;0.00;0;16777215;255;255;255\r\n"), std::string::npos);
  asker.openAnswers.push_back(dir.file("first.spv"));
  plan.OpenPlan(true, &asker);
  EXPECT_EQ(save("second.spv"), first);
}

}  // namespace
}  // namespace chromaflow
