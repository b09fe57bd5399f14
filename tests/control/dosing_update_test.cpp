// The dosing update's figures, output and the operator's actions on the machine's state.

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/display_forms.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

using testing::ControlRig;

struct Dosing : ::testing::Test {
  ControlRig rig;
  PaintingControl& control = rig.control;
  const MainWindowFigures& main = rig.control.main();
  const PaintingState& state = rig.control.state();

  void SetUp() override { rig.wall(2, 10, {{"0.00", 0}, {"10.00", 100}}); }
  void fillHose(float litres) {
    control.hoseFullButton();
    control.dragHose(control.path().HoseX(litres, control.view()));
  }
};

TEST_F(Dosing, AnticipatedDistanceFollowsTheHoseContent) {
  fillHose(0.5f);
  EXPECT_FLOAT_EQ(state.HoseFill, 0.5f);
  EXPECT_FLOAT_EQ(state.AnticipatedDistance, 1.785f);  // 0.5 l x 7.14 m²/l on a 2 m wall
  rig.documents.plan.SelectHoseState(HoseState::Full);
  rig.documents.plan.setAnticipation(false);
  control.DosingUpdate();
  EXPECT_EQ(state.AnticipatedDistance, state.Distance);
  EXPECT_EQ(main.GaugeConsigne, 0);
}

TEST_F(Dosing, TotalsAndProgressFigures) {
  // 20 m² on the ramp, then the hose's 7.14 m² beyond the end at 100 %.
  EXPECT_EQ(main.P1lTot, "1.4");
  EXPECT_EQ(main.P2lTot, "2.4");
  EXPECT_EQ(main.P1P2ltot, "3.8");
  control.enterDistance("5");
  EXPECT_EQ(main.Distance, "5.00");
  EXPECT_EQ(main.Seffect, "10.0");
  EXPECT_EQ(main.LReste, "5.0");
  EXPECT_EQ(main.SReste, "10.0");
  // The pass looked ahead with the hose as it found it (empty) and then filled it; from the
  // next pass on, the paint now entering is laid 7.14 m² further: at 8.57 m.
  EXPECT_FLOAT_EQ(state.AnticipatedDistance, 5);
  control.DosingUpdate();
  EXPECT_FLOAT_EQ(state.AnticipatedDistance, 8.57f);
  EXPECT_EQ(main.GaugeConsigne, 86);
  EXPECT_EQ(main.P1P2lEffect, F2(value(main.P1lEffect) + value(main.P2lEffect)));
  control.enterDistance("11");
  EXPECT_EQ(main.LReste, "-1.0");
  EXPECT_EQ(main.ImageParcouru.fillTo, 625);
}

TEST_F(Dosing, OutputScaleAndItsEnds) {
  struct Case {
    int asked;
    int level;
  };
  for (const Case c : {Case{0, 0}, Case{1, 15}, Case{50, 128}, Case{99, 240}, Case{100, 255}}) {
    rig.documents.plan.setProportion(1, "0.00", c.asked);
    rig.documents.plan.setProportion(2, "10.00", c.asked);
    control.DosingUpdate();
    EXPECT_EQ(rig.card.daOutput(), c.level) << c.asked;
  }
  // Settings that take the output beyond the 8-bit range send the bound.
  rig.documents.settings.edit().Zero = "-5.0";
  rig.documents.plan.setProportion(1, "0.00", 1);
  rig.documents.plan.setProportion(2, "10.00", 1);
  control.DosingUpdate();
  EXPECT_EQ(rig.card.daOutput(), 0);
  rig.documents.settings.edit().Zero = "10.0";
  rig.documents.settings.edit().Gain = "100.0";
  rig.documents.plan.setProportion(1, "0.00", 95);
  control.DosingUpdate();
  EXPECT_EQ(rig.card.daOutput(), 255);
}

TEST_F(Dosing, CountersRestartWithAnEmptyHoseOrNoArea) {
  control.hoseFullButton();
  rig.tick();
  rig.edge(7);
  rig.edge(3);
  EXPECT_EQ(main.TrP1, "1");
  control.hoseEmptyButton();
  EXPECT_EQ(main.TrP1, "0");
  EXPECT_EQ(main.TrP2, "0");
  EXPECT_EQ(main.TrRoul, "0");
  EXPECT_EQ(main.PulseM2_, "0");
  EXPECT_FALSE(main.ButtonRoulEnabled);
}

TEST_F(Dosing, HoseButtons) {
  control.enterDistance("2");
  EXPECT_FLOAT_EQ(state.HoseFill, 1);  // once the roller has moved the hose is full
  control.hoseEmptyButton();            // refused while the distance is not 0
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
  control.hoseFullButton();
  EXPECT_EQ(state.Distance, 0);
  EXPECT_EQ(state.PaintedArea, 0);
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
  rig.documents.plan.SelectHoseState(HoseState::Full);
  rig.documents.plan.setAnticipation(false);
  control.hoseEmptyButton();
  EXPECT_EQ(state.HoseFill, 0);
  EXPECT_EQ(rig.documents.plan.hoseState(), HoseState::Empty);
  EXPECT_TRUE(rig.documents.plan.anticipation());
  // "Tuyau plein" from the plan fills the hose.
  rig.documents.plan.SelectHoseState(HoseState::Full);
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
}

TEST_F(Dosing, PumpCalibrationFromTheLitresReallyPumped) {
  EXPECT_FALSE(control.canEnterPumpLitres(Pump::P1));
  EXPECT_TRUE(control.enterPumpLitres(Pump::P1, "5").refused());
  control.hoseFullButton();
  rig.tick();
  for (int i = 0; i < 1100; ++i) rig.edge(7);
  EXPECT_EQ(main.TrP1, "1100");
  EXPECT_EQ(main.LitresP1, "5.00");
  EXPECT_TRUE(control.enterPumpLitres(Pump::P1, "-1").refused());
  EXPECT_TRUE(control.enterPumpLitres(Pump::P1, "5,5").refused());
  EXPECT_EQ(control.enterPumpLitres(Pump::P1, "4").stored, "4.0");
  EXPECT_EQ(rig.documents.settings.settings().P1trl, 275);
  EXPECT_EQ(main.P1trl, "275");
  EXPECT_THROW(control.enterPumpLitres(Pump::P1, "0"), std::domain_error);
  EXPECT_EQ(main.LitresP1, "0.0");
  EXPECT_EQ(rig.documents.settings.settings().P1trl, 275);
}

TEST_F(Dosing, RollerCalibrationFromTheDistanceReallyPainted) {
  rig.control.setRunning(true);
  control.hoseFullButton();
  rig.tick();
  for (int i = 0; i < 100; ++i) rig.edge(1);  // 2 m² counted at 50 pulses per m²
  EXPECT_EQ(main.Distance, "1.00");
  control.enterDistance("1.25");  // but the roller really went 1.25 m: 2.5 m²
  EXPECT_EQ(main.PulseM2_, "40");
  EXPECT_TRUE(main.ButtonRoulEnabled);
  control.rollerButton();
  EXPECT_EQ(rig.documents.settings.settings().PulseM2, 40);
  EXPECT_EQ(main.PulseM2, "40");
}

TEST_F(Dosing, ZeroPulsesPerLitreLeaveTheLitresAsTheyWere) {
  control.hoseFullButton();
  rig.tick();
  rig.edge(7);
  const std::string before = main.LitresP1;
  rig.documents.settings.setP1trl(0);
  rig.edge(7);
  EXPECT_EQ(main.TrP1, "2");
  EXPECT_EQ(main.LitresP1, before);
}

TEST_F(Dosing, BarsFollowPositionHoseAndRunningState) {
  control.dragTravelled(313);
  EXPECT_EQ(main.ImageParcouru.fillTo, 313);
  EXPECT_EQ(main.ImageParcouru.colour, kRed);
  control.setRunning(true);
  EXPECT_EQ(main.ImageParcouru.colour, kBarGreen);
  EXPECT_EQ(main.ImageRemplissageTuyau.fillTo, 70);
  EXPECT_EQ(main.ImageProportion.fillTo, control.path().SurfaceX(state.AnticipatedDistance, control.view()));
}

}  // namespace
}  // namespace chromaflow
