#include "core/control/pump_monitor.h"

#include <gtest/gtest.h>

#include "core/common/display_forms.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

TEST(ProportionalCorrection, OddContinuousAndSaturated) {
  EXPECT_FLOAT_EQ(proportionalCorrection(0.05f, 0, 0.1f, 5), 2.5f);
  EXPECT_FLOAT_EQ(proportionalCorrection(0.2f, 0, 0.1f, 5), 5);
  EXPECT_FLOAT_EQ(proportionalCorrection(-0.02f, 0, 0.1f, 5), -1);
  EXPECT_EQ(proportionalCorrection(0, 0, 0.1f, 5), 0);
  EXPECT_EQ(proportionalCorrection(0.05f, 0.1f, 0.3f, 5), 0);
  EXPECT_FLOAT_EQ(proportionalCorrection(0.2f, 0.1f, 0.3f, 5), 2.5f);
  EXPECT_FLOAT_EQ(proportionalCorrection(-0.2f, 0.1f, 0.3f, 5), -2.5f);
  EXPECT_FLOAT_EQ(proportionalCorrection(-0.5f, 0.1f, 0.3f, 5), -5);
  EXPECT_FLOAT_EQ(proportionalCorrection(0.25f, 0.2f, 0.2f, 5), 5);  // Min = Max: a jump, no division
  // A deviation of exactly Min is inside the dead band, on either side, even where Min = Max.
  EXPECT_EQ(proportionalCorrection(0.2f, 0.2f, 0.2f, 5), 0);
  EXPECT_EQ(proportionalCorrection(-0.2f, 0.2f, 0.2f, 5), 0);
}

TEST(CorrectionParameters, EntriesInRangeOnly) {
  PumpMonitor monitor;
  EXPECT_TRUE(monitor.enterParameter(CorrectionParameter::PCorrectMax, "1.5").refused());
  EXPECT_TRUE(monitor.enterParameter(CorrectionParameter::PCorrectMin, "abc").refused());
  EXPECT_EQ(monitor.figures().PCorrectMax, "0.1");
  EXPECT_EQ(monitor.enterParameter(CorrectionParameter::PCorrectMaxPct, "10").stored, "10");
  EXPECT_EQ(monitor.enterParameter(CorrectionParameter::PCorrectMaxPct, "2.6").stored, "3");
  EXPECT_EQ(monitor.enterParameter(CorrectionParameter::CorrectPStop, "0").stored, "0.0");
  EXPECT_EQ(monitor.enterParameter(CorrectionParameter::PCorrectMin, "0.25").stored, "0.3");
  EXPECT_STREQ(parameterPrompt(CorrectionParameter::CorrectPStop), "Correction si pompe arrêtée 0..10(%)");
}

struct Monitoring : ::testing::Test {
  testing::ControlRig rig;
  const CorrectionFigures& f = rig.control.correction();

  void SetUp() override {
    rig.wall(2, 10, {{"0.00", 50}});
    rig.session.setRunning(true);
    rig.session.hoseFullButton();
    rig.tick();
    rig.session.resetCorrection();
  }
  void paint(int pulses, double p1, double p2) { rig.paint(pulses, p1, p2); }
};

TEST_F(Monitoring, PumpsOnPlanRaiseNoAlarm) {
  // 1/50 m² per roller pulse x 0.14 l/m² x half x 220 pulses/l = 0.308 pump pulses.
  paint(500, 0.308, 0.308);
  for (bool raised : f.alarms) EXPECT_FALSE(raised);
  EXPECT_EQ(f.Correction, "0.0");
  // 500 roller pulses at 50 a m² on a 2 m wall: the correction window shows the roller's 5 m.
  EXPECT_EQ(f.LDistance, "5.00");
  EXPECT_EQ(f.mRoul, "5.00");
  // After "Remise à zéro" the roller's figures count from there: 250 pulses more are 5 m², 2.5 m.
  rig.session.resetCorrection();
  paint(250, 0.308, 0.308);
  EXPECT_EQ(f.TrRoul, "250");
  EXPECT_EQ(f.m2Roul, "5.0");
  EXPECT_EQ(f.mRoul, "2.50");
  EXPECT_EQ(f.LDistance, "7.50");
}

TEST_F(Monitoring, AFastPumpIsCorrectedAgainst) {
  paint(500, 0.308 * 1.2, 0.308);
  EXPECT_TRUE(f.alarm(Alarm::P1Rapide));
  EXPECT_TRUE(f.alarm(Alarm::P1P2));
  EXPECT_FALSE(f.alarm(Alarm::P2P1));
  EXPECT_GT(value(f.Correction), 0);  // P2's share goes up
  EXPECT_EQ(rig.control.main().Correction, f.Correction);
  // Each pump's deviation is its own: measured less due, P1's ahead and P2's on plan.
  EXPECT_EQ(f.LitresP1Ec, F2(value32(f.LitresP1) - value32(f.LitresP1Th)));
  EXPECT_EQ(f.LitresP2Ec, F2(value32(f.LitresP2) - value32(f.LitresP2Th)));
  EXPECT_GT(value(f.LitresP1Ec), value(f.LitresP2Ec));

  // "Remise à zéro": every figure since the last reset starts again from nothing.
  EXPECT_NE(f.LitresP1P2Ec, "0.00");
  rig.session.resetCorrection();
  const std::pair<const std::string*, const char*> zeroed[] = {
      {&f.TrRoul, "0"},          {&f.m2Roul, "0.0"},        {&f.mRoul, "0.00"},        {&f.TrP1, "0"},
      {&f.TrP2, "0"},            {&f.LitresP1, "0.00"},     {&f.LitresP2, "0.00"},     {&f.LitresP1Th, "0.00"},
      {&f.LitresP2Th, "0.00"},   {&f.LitresP1Ec, "0.00"},   {&f.LitresP2Ec, "0.00"},   {&f.LitresP1P2Ec, "0.00"},
      {&f.Correction, "0"}};
  for (std::size_t i = 0; i < std::size(zeroed); ++i) EXPECT_EQ(*zeroed[i].first, zeroed[i].second) << "figure " << i;
  for (bool raised : f.alarms) EXPECT_FALSE(raised);
}

TEST_F(Monitoring, AStoppedPumpIsNotCalledSlow) {
  paint(500, 0, 0.308);
  EXPECT_TRUE(f.alarm(Alarm::P1Stop));
  EXPECT_FALSE(f.alarm(Alarm::P1Lente));
  EXPECT_EQ(f.TrP1, "0");
  // Proportional part saturates at -5 (P1 too slow relative to P2) and the stop adds -5.
  EXPECT_EQ(f.Correction, "-10.0");
  rig.session.resetCorrection();
  EXPECT_EQ(f.Correction, "0");
  EXPECT_EQ(f.LitresP1Th, "0.00");
  EXPECT_FALSE(f.alarm(Alarm::P1Stop));
  EXPECT_EQ(f.StartTrRoul, rig.control.main().TrRoul);
}

TEST_F(Monitoring, ANewRunFromTheStartOfThePathStartsWithoutCorrection) {
  // A run whose P1 fell short builds up a correction against it.
  paint(500, 0.308 * 0.5, 0.308);
  EXPECT_EQ(f.Correction, "-5.0");
  // "->|<-": the hose full, back to the start. The next wall painted on plan is not steered by
  // the last one's deviations.
  rig.session.hoseFullButton();
  EXPECT_EQ(f.Correction, "0");
  EXPECT_EQ(f.LitresP1, "0.00");
  EXPECT_EQ(f.LDistanceStart, "0.00");
  paint(100, 0.308, 0.308);
  EXPECT_EQ(f.Correction, "0.0");
  EXPECT_EQ(rig.control.main().Correction, "0.0");
  for (bool raised : f.alarms) EXPECT_FALSE(raised);
}

}  // namespace
}  // namespace chromaflow
