#include "core/plan/proportion_editor.h"

#include <gtest/gtest.h>

namespace chromaflow {
namespace {

std::string distanceWarning(const std::string& distance) {
  return "Une autre proportion est déjà définie à la distance " + distance + " mètres. Try an other.";
}

struct ProportionEditorFixture : ::testing::Test {
  ColourTable colours;
  Plan plan{colours};
  ProportionEditor editor{plan, colours};

  void SetUp() override {
    colours.addRow({0, 255, 255, 255});  // covers 0..80 % only
    colours.addRow({80, 0, 0, 255});
    plan.appendProportion("10.00", 30);
    plan.appendProportion("2.00", 10);
    plan.appendProportion("5.00", 20);
  }
  void open(int row, const char* distance = nullptr, int proportion = -1) {
    editor.rememberRow(row);
    editor.activate();
    if (distance) editor.setDistance(distance);
    if (proportion >= 0) editor.setProportion(proportion);
  }
  std::vector<std::string> distances() const {
    std::vector<std::string> result;
    for (int j = 1; j <= plan.proportionCount(); ++j) result.push_back(plan.proportionCell(j, 1));
    return result;
  }
};

TEST_F(ProportionEditorFixture, ActivationLoadsTheRowAndItsColour) {
  open(2);
  EXPECT_EQ(editor.distance(), "5.00");
  EXPECT_EQ(editor.proportion(), 20);
  EXPECT_EQ(editor.couleur().colour, colours.ColourOfProportion(20).colour);
  EXPECT_EQ(editor.couleur().text, "");
  EXPECT_EQ(editor.proportionBarBlueColumns(50), 10);
  open(4);
  EXPECT_EQ(editor.distance(), "");
  EXPECT_EQ(editor.proportion(), 0);
}

TEST_F(ProportionEditorFixture, OkOnARowWithItsOwnDistanceIsAccepted) {
  open(3, nullptr, 40);
  const EditorOutcome outcome = editor.ok();
  EXPECT_TRUE(outcome.closes);
  EXPECT_EQ(outcome.redraw, MainRedraw::ProportionViews);
  EXPECT_EQ(plan.proportionCount(), 3);
  EXPECT_EQ(plan.proportionCell(3, 2), "40");
}

TEST_F(ProportionEditorFixture, ADistanceAlreadyUsedWarnsAndChangesNothing) {
  const auto before = plan.proportionRows();
  open(2, "5");  // Insérer compares with the selected row too
  EXPECT_EQ(editor.insert().warnings, std::vector<std::string>{distanceWarning("5.00")});
  editor.setDistance("10.001");  // shown as 10.00, the distance of row 3
  const EditorOutcome outcome = editor.ok();
  EXPECT_FALSE(outcome.closes);
  EXPECT_EQ(outcome.redraw, MainRedraw::None);
  EXPECT_EQ(outcome.warnings, std::vector<std::string>{distanceWarning("10.00")});
  EXPECT_EQ(plan.proportionRows(), before);
}

TEST_F(ProportionEditorFixture, ADistanceThatIsNoNumberWarns) {
  for (const char* typed : {"", "7,5,1", "7.5 "}) {
    open(4, typed);
    const EditorOutcome outcome = editor.ok();
    EXPECT_FALSE(outcome.closes) << typed;
    EXPECT_EQ(outcome.warnings, std::vector<std::string>{"Veuillez entrer une distance"}) << typed;
  }
  EXPECT_EQ(plan.proportionCount(), 3);
  // A distance before the path's start would be left out when the saved plan is read again.
  open(4, "-5");
  EXPECT_EQ(editor.insert().warnings, std::vector<std::string>{"Veuillez entrer une distance d'au moins 0 m"});
  EXPECT_EQ(plan.proportionCount(), 3);
}

TEST_F(ProportionEditorFixture, NewRowsAreSortedAndRenumbered) {
  open(1, "7.5", 50);
  EXPECT_TRUE(editor.insert().closes);  // added, row 1 untouched
  open(5, " 0.5", 5);
  editor.ok();
  EXPECT_EQ(distances(), (std::vector<std::string>{"0.50", "2.00", "5.00", "7.50", "10.00"}));
  EXPECT_EQ(plan.proportionCell(2, 2), "10");
  EXPECT_EQ(plan.proportionCell(4, 0), "4");
  EXPECT_EQ(plan.proportionCell(4, 2), "50");
}

TEST_F(ProportionEditorFixture, AnUncoveredProportionIsIndisponibleAndStoredWhite) {
  open(4, "20");
  const BarPointer dragged = editor.pointProportionBar(54, 60, true);  // 90 %
  EXPECT_EQ(dragged.value, 90);
  EXPECT_EQ(editor.couleur().text, "Indisponible");
  EXPECT_EQ(editor.couleur().colour, kWhite);
  editor.ok();
  EXPECT_EQ(plan.proportionRows()[3], (ProportionRow{"4", "20.00", "90", "16777215", "255", "255", "255"}));
}

TEST_F(ProportionEditorFixture, Deleting) {
  open(4);
  const EditorOutcome nothing = editor.remove();
  EXPECT_TRUE(nothing.closes);
  EXPECT_EQ(nothing.redraw, MainRedraw::ProportionViews);
  EXPECT_EQ(plan.proportionCount(), 3);
  open(1);
  editor.remove();
  EXPECT_EQ(distances(), (std::vector<std::string>{"5.00", "10.00"}));
  EXPECT_EQ(plan.proportionCell(1, 0), "1");
  EXPECT_EQ(editor.removeAll().redraw, MainRedraw::ProportionViews);
  EXPECT_EQ(plan.proportionCount(), 0);
}

}  // namespace
}  // namespace chromaflow
