// The reading cycle against the simulated card, tick by tick.

#include <gtest/gtest.h>

#include "core/common/display_forms.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

using testing::ControlRig;

struct ReadingCycle : ::testing::Test {
  ControlRig rig;
  const MainWindowFigures& main = rig.control.main();
  const PaintingState& state = rig.control.state();
};

TEST_F(ReadingCycle, FirstTickAfterActivationOnlyRecords) {
  rig.session.setRunning(true);
  rig.session.activateMainWindow();
  const auto writes = rig.card.daWrites();
  rig.tick(0b0100'0101);  // roller, P2 and P1 pins low already
  EXPECT_EQ(main.TrP1, "0");
  EXPECT_FALSE(main.CBR);  // not even the boxes
  EXPECT_EQ(rig.card.daWrites(), writes);
  EXPECT_TRUE(state.PreviousInputImage[1]);
  rig.tick();
  EXPECT_TRUE(main.CBR);
  EXPECT_EQ(main.TrP1, "0");  // no change since the recorded state
  EXPECT_GT(rig.card.daWrites(), writes);
}

TEST_F(ReadingCycle, HoseFillsIn358PulsesThenAreaAndDistanceAdvance) {
  rig.wall(2, 10, {{"0.00", 0}, {"10.00", 100}});
  rig.session.setRunning(true);
  rig.tick();
  for (int pulse = 1; pulse <= 358; ++pulse) {
    rig.edge(1);
    ASSERT_EQ(state.PaintedArea, 0) << pulse;
  }
  EXPECT_GE(state.HoseFill, 1.0f);
  EXPECT_EQ(main.TrRoul, "0");
  rig.edge(1);
  EXPECT_FLOAT_EQ(state.PaintedArea, 0.02f);
  EXPECT_FLOAT_EQ(state.Distance, 0.01f);
  EXPECT_EQ(main.TrRoul, "1");
  for (int pulse = 0; pulse < 49; ++pulse) rig.edge(1);
  EXPECT_NEAR(state.PaintedArea, 1.0, 1e-5);
  EXPECT_EQ(main.TrRoul, "50");
  EXPECT_EQ(main.PulseM2_, "50");
  EXPECT_TRUE(main.ButtonRoulEnabled);
  EXPECT_EQ(main.Distance, "0.50");
  EXPECT_EQ(main.m2Roul, "1.0");
  EXPECT_EQ(main.LReste, "9.5");
}

TEST_F(ReadingCycle, WhileStoppedOnlyTheBoxesAndPumpsMove) {
  rig.tick();
  rig.edge(1);
  EXPECT_TRUE(main.CBR);
  EXPECT_EQ(state.HoseFill, 0);
  rig.edge(7);
  rig.edge(7);
  rig.edge(3);
  EXPECT_EQ(main.TrP2, "0");  // the hose is empty: the main counters restart with it
  EXPECT_EQ(rig.control.correction().TrP1, "2");
  EXPECT_EQ(rig.control.correction().TrP2, "1");
  EXPECT_EQ(rig.control.correction().LitresP1, F2(2.0f / 220));
  rig.session.hoseFullButton();
  rig.edge(7);
  EXPECT_EQ(main.TrP1, "1");
  EXPECT_TRUE(main.LitresP1Enabled);
  EXPECT_FALSE(main.LitresP2Enabled);
}

TEST_F(ReadingCycle, PressureRegulationSetsTheGunPulseInterval) {
  rig.session.setRunning(true);
  rig.card.setAnalogInput(1, 128);
  rig.clock.advanceTo(200);  // the refresh phase is on after 200 ms
  rig.tick();
  EXPECT_EQ(main.LCapteur, "100.4");
  EXPECT_FALSE(rig.pulse.isEnabled());  // above the setpoint of 100 bar

  rig.card.setAnalogInput(1, 0);
  rig.session.enterSettingsPanel(SettingsPanel::PConsigne, "1");  // 1 bar under
  rig.tick();
  EXPECT_TRUE(rig.pulse.isEnabled());
  EXPECT_EQ(rig.pulse.interval(), 200);
  EXPECT_EQ(main.LHz, "2.5");
  rig.session.enterSettingsPanel(SettingsPanel::PConsigne, "10");  // 10 bar under: 20 ms, raised to 25
  rig.tick();
  EXPECT_EQ(rig.pulse.interval(), 25);
  EXPECT_EQ(main.LHz, "20.0");
  rig.session.enterSettingsPanel(SettingsPanel::MaxCapteur, "255");
  rig.card.setAnalogInput(1, 10);  // 10 bar: exactly at the setpoint
  rig.tick();
  EXPECT_FALSE(rig.pulse.isEnabled());
  EXPECT_EQ(main.LCapteur, "10.0");
  // A sensor whose range starts above 0 bar: 50 + (255 - 50) x 10 / 255.
  rig.session.enterSettingsPanel(SettingsPanel::MinCapteur, "50");
  rig.tick();
  EXPECT_EQ(main.LCapteur, "58.0");
}

TEST_F(ReadingCycle, ZeroGainFromAFileGivesTheLongestInterval) {
  rig.session.setRunning(true);
  rig.openSettingsLines({"Analog input: P Consigne (bar)=1.0", "Analog input: Gain=0.0"});
  rig.tick();
  rig.tick();
  EXPECT_EQ(rig.pulse.interval(), 1'000'000'000);
  EXPECT_EQ(main.LHz, "0.0");
}

TEST_F(ReadingCycle, GunPulsesOutputNineWhilePaintingUnderPressure) {
  rig.session.setRunning(true);
  rig.session.enterSettingsPanel(SettingsPanel::PConsigne, "1");  // sensor at 0: 200 ms
  rig.tick();
  rig.tick();
  EXPECT_EQ(main.LHzColour, kRed);  // gun off
  rig.session.toggleGun();
  bool lastLevel = rig.card.pinLow(9);
  int toggles = 0;
  for (int t = 0; t < 50; ++t) {  // one second
    rig.tick();
    if (rig.card.pinLow(9) != lastLevel) ++toggles, lastLevel = rig.card.pinLow(9);
    ASSERT_EQ(main.PulseSimuRoul, rig.card.pinLow(9)) << "the valve's box shows the output, tick " << t;
  }
  EXPECT_EQ(toggles, 5);
  EXPECT_EQ(main.LHzColour, kGreen);
  rig.session.toggleGun();
  EXPECT_FALSE(rig.card.pinLow(9));
  for (int t = 0; t < 20; ++t) rig.tick();
  EXPECT_FALSE(rig.card.pinLow(9));
  EXPECT_EQ(main.LHzColour, kRed);
}

TEST_F(ReadingCycle, GunOnMakesChannelNineAnOutputAgain) {
  rig.session.testReadInputs();  // "Lecture des entrées" makes every channel an input
  EXPECT_TRUE(rig.session.card().image().isInput(9));
  rig.session.toggleGun();
  EXPECT_FALSE(rig.session.card().image().isInput(9));
  rig.session.switchGunValve(true);
  EXPECT_TRUE(rig.card.pinLow(9));
  EXPECT_TRUE(rig.control.main().PulseSimuRoul);  // the box the operator clicked stays ticked
  rig.session.toggleGun();
  rig.session.toggleGun();  // ON again with 9 already an output: stays as it is
  EXPECT_FALSE(rig.card.pinLow(9));
}

TEST_F(ReadingCycle, StoppingLeavesOutputNineAsItsLastToggle) {
  rig.session.setRunning(true);
  rig.session.enterSettingsPanel(SettingsPanel::PConsigne, "1");
  rig.session.toggleGun();
  for (int t = 0; t < 12; ++t) rig.tick();  // one toggle at 200 ms from enabling
  const bool level = rig.card.pinLow(9);
  rig.session.setRunning(false);
  for (int t = 0; t < 30; ++t) rig.tick();
  EXPECT_EQ(rig.card.pinLow(9), level);
  EXPECT_FALSE(rig.pulse.isEnabled());
}

TEST_F(ReadingCycle, TheCycleRunsAtTheIntervalAskedAndNeverAtNone) {
  int ticks = 0;
  Subscription counting = rig.session.ticked.subscribe([&] { ++ticks; });
  rig.session.setCycleInterval(100);
  rig.session.setCycleInterval(0);  // no interval: the last one holds
  rig.session.setCycleInterval(-20);
  rig.clock.advanceTo(rig.clock.now() + 1000);
  EXPECT_EQ(ticks, 10);
}

TEST_F(ReadingCycle, ActivationEmptiesTheHoseAndZeroesTheDistance) {
  rig.wall(2, 10, {{"0.00", 50}});
  rig.session.setRunning(true);
  rig.session.enterDistance("4");
  EXPECT_FLOAT_EQ(state.PaintedArea, 8);
  rig.tick();
  EXPECT_FLOAT_EQ(state.HoseFill, 1);
  rig.session.activateMainWindow();
  EXPECT_EQ(state.Distance, 0);
  EXPECT_EQ(state.HoseFill, 0);
  EXPECT_FLOAT_EQ(state.PaintedArea, 8);  // left as it is
  rig.tick();
  rig.edge(1);  // a filling pulse starts the area from 0
  EXPECT_EQ(state.PaintedArea, 0);
}

TEST_F(ReadingCycle, SetpointReachesTheConverterUnlessTheTestWindowIsOpen) {
  rig.wall(2, 10, {{"0.00", 50}});
  rig.tick();
  rig.tick();
  EXPECT_EQ(rig.card.daOutput(), 128);  // 50 % of 90 % + 5 %: 127.5 to even
  rig.session.setTestWindowOpen(true);
  rig.session.testScrollDa(255 - 17);  // the test window's own setting
  rig.tick();
  EXPECT_EQ(rig.card.daOutput(), 17);
  EXPECT_EQ(main.GaugeConsigne, 50);  // the figures still follow
  rig.session.activateMainWindow();
  rig.tick();
  rig.tick();
  EXPECT_EQ(rig.card.daOutput(), 128);
}

}  // namespace
}  // namespace chromaflow
