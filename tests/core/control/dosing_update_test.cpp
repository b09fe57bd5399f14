// The dosing update's figures, output and the operator's actions on the machine's state.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/display_forms.h"
#include "core/control/figures.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

using testing::ControlRig;

struct Dosing : ::testing::Test {
  ControlRig rig;
  const PaintingControl& control = rig.control;
  const MainWindowFigures& main = rig.control.main();
  const PaintingState& state = rig.control.state();

  void SetUp() override { rig.wall(2, 10, {{"0.00", 0}, {"10.00", 100}}); }
  void fillHose(float litres) {
    rig.session.hoseFullButton();
    rig.session.dragHose(control.path().HoseX(litres, control.view()));
  }
};

TEST_F(Dosing, AnticipatedDistanceFollowsTheHoseContent) {
  fillHose(0.5f);
  EXPECT_FLOAT_EQ(state.HoseFill, 0.5f);
  EXPECT_FLOAT_EQ(state.AnticipatedDistance, 1.785f);  // 0.5 l x 7.14 m²/l on a 2 m wall
  rig.session.selectHoseState(HoseState::Full);
  rig.session.setAnticipation(false);
  rig.session.planWindowLeft();
  EXPECT_EQ(state.AnticipatedDistance, state.Distance);
  EXPECT_EQ(main.GaugeConsigne, 0);
}

TEST_F(Dosing, TotalsAndProgressFigures) {
  // 20 m² on the ramp, then the hose's 7.14 m² beyond the end at 100 %.
  EXPECT_EQ(main.P1lTot, "1.4");
  EXPECT_EQ(main.P2lTot, "2.4");
  EXPECT_EQ(main.P1P2ltot, "3.8");
  rig.session.enterDistance("5");
  EXPECT_EQ(main.Distance, "5.00");
  EXPECT_EQ(main.Leffect, "5.0");
  EXPECT_EQ(main.Seffect, "10.0");
  EXPECT_EQ(main.LReste, "5.0");
  EXPECT_EQ(main.SReste, "10.0");
  // What remains of both is the sum of the two figures shown, as the operator adds them up:
  // 0.4 + 2.1, where the job's 3.8 l less the 1.40 l done would give 2.4.
  EXPECT_EQ(main.P1lReste, "0.4");
  EXPECT_EQ(main.P2lReste, "2.1");
  EXPECT_EQ(main.P1P2lReste, "2.5");
  // The pass looked ahead with the hose as it found it (empty) and then filled it; from the
  // next pass on, the paint now entering is laid 7.14 m² further: at 8.57 m.
  EXPECT_FLOAT_EQ(state.AnticipatedDistance, 5);
  rig.pass();
  EXPECT_FLOAT_EQ(state.AnticipatedDistance, 8.57f);
  EXPECT_EQ(main.GaugeConsigne, 86);
  // What remains of each pump is its own total less its own litres done.
  EXPECT_EQ(main.P1lReste, F1(1.4f - value32(main.P1lEffect)));
  EXPECT_EQ(main.P2lReste, F1(2.4f - value32(main.P2lEffect)));
  // A distance entered by hand, with no roller pulse counted: nothing to calibrate the roller by.
  EXPECT_EQ(main.TrRoul, "0");
  EXPECT_FALSE(main.ButtonRoulEnabled);
  rig.session.enterDistance("11");
  EXPECT_EQ(main.LReste, "-1.0");
  EXPECT_EQ(main.ImageParcouru.fillTo, 625);
  // A plan emptied of its surfaces has no paint to ask for.
  rig.session.clearSurfaces();
  rig.session.planWindowLeft();
  EXPECT_EQ(std::vector<std::string>({main.P1lTot, main.P2lTot, main.P1P2ltot}), std::vector<std::string>(3, "0.0"));
}

// The litres done together are the sum of the two figures shown, not of the litres before they
// were rounded: the operator adds up what he reads.
TEST_F(Dosing, TheLitresDoneTogetherAddTheShownFigures) {
  int differing = 0;
  for (int cm = 1; cm < 1000; cm += 7) {
    rig.session.enterDistance(F2(static_cast<float>(cm) / 100));
    const Litres due = control.path().LitresUpTo(state.AnticipatedDistance);
    const std::string shownSum = F2(value32(F2(due.P1)) + value32(F2(due.P2)));
    ASSERT_EQ(main.P1P2lEffect, shownSum) << "at " << cm << " cm";
    differing += shownSum != F2(due.P1 + due.P2);
  }
  EXPECT_GT(differing, 0) << "no distance told the two sums apart";
}

// The counters are read back from their texts as whole numbers; what is not one counts 0.
TEST(CounterTexts, ReadBackAsWholeNumbers) {
  EXPECT_EQ(counterValue("42"), 42);
  EXPECT_EQ(counterValue("123456789012"), 123456789012LL);
  EXPECT_EQ(counterValue("0"), 0);
  EXPECT_EQ(counterValue(""), 0);
  EXPECT_EQ(counterValue("abc"), 0);
}

TEST_F(Dosing, OutputScaleAndItsEnds) {
  struct Case {
    int asked;
    int level;
  };
  for (const Case c : {Case{0, 0}, Case{1, 15}, Case{50, 128}, Case{99, 240}, Case{100, 255}}) {
    rig.session.setProportion(1, "0.00", c.asked);
    rig.session.setProportion(2, "10.00", c.asked);
    EXPECT_EQ(rig.card.daOutput(), c.level) << c.asked;
  }
  // Settings that take the output beyond the 8-bit range send the bound.
  rig.session.enterSettingsPanel(SettingsPanel::Zero, "-5");
  rig.session.setProportion(1, "0.00", 1);
  rig.session.setProportion(2, "10.00", 1);
  EXPECT_EQ(rig.card.daOutput(), 0);
  rig.session.enterSettingsPanel(SettingsPanel::Zero, "10");
  rig.session.enterSettingsPanel(SettingsPanel::Gain, "100");
  rig.session.setProportion(1, "0.00", 95);
  EXPECT_EQ(rig.card.daOutput(), 255);
}

TEST_F(Dosing, ANewPlanLeavesNoTotals) {
  ASSERT_EQ(main.P2lTot, "2.4");
  rig.session.newPlan();
  EXPECT_EQ(main.P1lTot, "0.0");
  EXPECT_EQ(main.P2lTot, "0.0");
  EXPECT_EQ(main.P1P2ltot, "0.0");
}

TEST_F(Dosing, CountersRestartWithAnEmptyHoseOrNoArea) {
  rig.session.hoseFullButton();
  rig.tick();
  rig.edge(7);
  rig.edge(3);
  EXPECT_EQ(main.TrP1, "1");
  rig.session.hoseEmptyButton();
  EXPECT_EQ(main.TrP1, "0");
  EXPECT_EQ(main.TrP2, "0");
  EXPECT_EQ(main.TrRoul, "0");
  EXPECT_EQ(main.PulseM2_, "0");
  EXPECT_FALSE(main.ButtonRoulEnabled);
}

TEST_F(Dosing, HoseButtons) {
  rig.session.enterDistance("2");
  EXPECT_FLOAT_EQ(state.HoseFill, 1);  // once the roller has moved the hose is full
  rig.session.hoseEmptyButton();            // refused while the distance is not 0
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
  rig.session.hoseFullButton();
  EXPECT_EQ(state.Distance, 0);
  EXPECT_EQ(state.PaintedArea, 0);
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
  rig.session.selectHoseState(HoseState::Full);
  rig.session.setAnticipation(false);
  rig.session.hoseEmptyButton();
  EXPECT_EQ(state.HoseFill, 0);
  EXPECT_EQ(rig.session.plan().hoseState(), HoseState::Empty);
  EXPECT_TRUE(rig.session.plan().anticipation());
  // "Tuyau plein" from the plan fills the hose.
  rig.session.selectHoseState(HoseState::Full);
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
}

TEST_F(Dosing, TheEmptyHoseButtonBringsBackTheLeadsTotals) {
  // The same wall with the mixing lead, anticipation never switched off.
  ControlRig leading;
  leading.wall(2, 10, {{"0.00", 0}, {"10.00", 100}});
  leading.session.setMixingLead(true);
  leading.session.planWindowLeft();

  rig.session.setMixingLead(true);
  rig.session.selectHoseState(HoseState::Full);
  rig.session.setAnticipation(false);  // no anticipation, no lead
  rig.session.planWindowLeft();
  const std::string lagging = main.P2lTot;
  ASSERT_NE(lagging, leading.control.main().P2lTot);
  rig.session.hoseEmptyButton();  // anticipation on again: the pumps will be led
  EXPECT_EQ(main.P1lTot, leading.control.main().P1lTot);
  EXPECT_EQ(main.P2lTot, leading.control.main().P2lTot);
}

TEST_F(Dosing, PumpCalibrationFromTheLitresReallyPumped) {
  EXPECT_FALSE(control.canEnterPumpLitres(Pump::P1));
  EXPECT_TRUE(rig.session.enterPumpLitres(Pump::P1, "5").refused());
  rig.session.hoseFullButton();
  rig.tick();
  for (int i = 0; i < 1100; ++i) rig.edge(7);
  EXPECT_EQ(main.TrP1, "1100");
  EXPECT_EQ(main.LitresP1, "5.00");
  // Each pump's entry waits for its own pulses: P2 has counted none.
  EXPECT_TRUE(control.canEnterPumpLitres(Pump::P1));
  EXPECT_FALSE(control.canEnterPumpLitres(Pump::P2));
  EXPECT_TRUE(rig.session.enterPumpLitres(Pump::P2, "5").refused());
  EXPECT_TRUE(rig.session.enterPumpLitres(Pump::P1, "-1").refused());
  EXPECT_TRUE(rig.session.enterPumpLitres(Pump::P1, "5,5,1").refused());
  EXPECT_EQ(rig.session.enterPumpLitres(Pump::P1, "4").stored, "4.0");
  EXPECT_EQ(rig.session.settings().settings().P1trl, 275);
  EXPECT_EQ(main.P1trl, "275");
  const EntryOutcome zero = rig.session.enterPumpLitres(Pump::P1, "0");
  EXPECT_TRUE(zero.failed());
  EXPECT_EQ(zero.stored, "0.0");
  ASSERT_EQ(rig.asker.errors.size(), 1u);
  EXPECT_EQ(rig.asker.errors[0], zero.error);
  EXPECT_EQ(main.LitresP1, "0.0");
  EXPECT_EQ(rig.session.settings().settings().P1trl, 275);
}

TEST_F(Dosing, RollerCalibrationFromTheDistanceReallyPainted) {
  rig.session.setRunning(true);
  rig.session.hoseFullButton();
  rig.tick();
  for (int i = 0; i < 100; ++i) rig.edge(1);  // 2 m² counted at 50 pulses per m²
  EXPECT_EQ(main.Distance, "1.00");
  rig.session.enterDistance("1.25");  // but the roller really went 1.25 m: 2.5 m²
  EXPECT_EQ(main.PulseM2_, "40");
  EXPECT_TRUE(main.ButtonRoulEnabled);
  rig.session.rollerButton();
  EXPECT_EQ(rig.session.settings().settings().PulseM2, 40);
  EXPECT_EQ(main.PulseM2, "40");
}

TEST_F(Dosing, ZeroPulsesPerLitreLeaveTheLitresAsTheyWere) {
  rig.session.hoseFullButton();
  rig.tick();
  rig.edge(7);
  const std::string before = main.LitresP1;
  rig.session.enterSettingsSpin(SettingsSpin::SpinEditP1trl, "0");
  rig.edge(7);
  EXPECT_EQ(main.TrP1, "2");
  EXPECT_EQ(main.LitresP1, before);
}

TEST_F(Dosing, BarsFollowPositionHoseAndRunningState) {
  rig.session.dragTravelled(313);
  EXPECT_EQ(main.ImageParcouru.fillTo, 313);
  // The distance dragged to is painted up to there: 5 m of the 2 m high wall.
  EXPECT_NEAR(state.Distance, 5, 0.02);
  EXPECT_FLOAT_EQ(state.PaintedArea, control.path().AreaAtDistance(state.Distance));
  EXPECT_EQ(main.Seffect, F1(2 * state.Distance));
  EXPECT_EQ(main.ImageParcouru.colour, kRed);
  rig.session.setRunning(true);
  EXPECT_EQ(main.ImageParcouru.colour, kBarGreen);
  EXPECT_EQ(main.ImageRemplissageTuyau.fillTo, 70);
  EXPECT_EQ(main.ImageProportion.fillTo, control.path().SurfaceX(state.AnticipatedDistance, control.view()));
}

}  // namespace
}  // namespace chromaflow
