// The simulated paint machine on its own: the wall's geometry, and the pumps, hose, roller and
// gun valve as the card's pins show them, with the analog output set by hand.

#include "sim/machine/paint_machine.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/card/i2c_bus.h"
#include "core/card/k8000_card.h"
#include "core/card/machine_wiring.h"

namespace chromaflow::sim {
namespace {

// The example job's wall: four surfaces, the third lower, and the plan's four points.
const std::vector<WallSurface> kFourSurfaces{{2.5, 4}, {2.5, 3}, {1.2, 2}, {2.5, 5}};
const std::vector<PlannedProportion> kFourPoints{{0, 0}, {4, 30}, {9, 100}, {14, 60}};

TEST(WallGeometry, SurfacesOfDifferentHeightsOneAfterAnother) {
  const Wall wall(kFourSurfaces, {});
  EXPECT_DOUBLE_EQ(wall.length(), 14);
  EXPECT_NEAR(wall.area(), 32.4, 1e-12);
  // Areas at the surface ends: 10, 17.5, 19.9, 32.4.
  EXPECT_NEAR(wall.distanceForArea(10), 4, 1e-12);
  EXPECT_NEAR(wall.distanceForArea(12), 4.8, 1e-12);
  EXPECT_NEAR(wall.distanceForArea(18.7), 8, 1e-12);  // 7 + 1.2 / 1.2 on the low surface
  EXPECT_NEAR(wall.distanceForArea(20.9), 9.4, 1e-12);
  EXPECT_NEAR(wall.areaAtDistance(4.8), 12, 1e-12);
  EXPECT_NEAR(wall.areaAtDistance(8), 18.7, 1e-12);
  EXPECT_NEAR(wall.areaAtDistance(9.4), 20.9, 1e-12);
  for (double area = 0; area <= 32.4; area += 0.05)
    EXPECT_NEAR(wall.areaAtDistance(wall.distanceForArea(area)), area, 1e-12) << area;
  // The height of the surface ahead: at a junction the next one.
  EXPECT_EQ(wall.heightAt(0), 2.5);
  EXPECT_EQ(wall.heightAt(6.99), 2.5);
  EXPECT_EQ(wall.heightAt(7), 1.2);
  EXPECT_EQ(wall.heightAt(8.99), 1.2);
  EXPECT_EQ(wall.heightAt(9), 2.5);
}

TEST(WallGeometry, BeyondTheEndTheLastSurfaceGoesOnAndBeforeTheStartThereIsNoWall) {
  const Wall wall(kFourSurfaces, {});
  EXPECT_NEAR(wall.distanceForArea(37.4), 16, 1e-12);  // 14 + 5 / 2.5
  EXPECT_NEAR(wall.areaAtDistance(16), 37.4, 1e-12);
  EXPECT_EQ(wall.heightAt(14), 2.5);
  EXPECT_EQ(wall.heightAt(100), 2.5);
  EXPECT_EQ(wall.distanceForArea(-1), 0);
  EXPECT_EQ(wall.areaAtDistance(-1), 0);
  EXPECT_EQ(wall.heightAt(-0.5), 0);

  const Wall lastLow({{2, 10}, {0.5, 2}}, {});
  EXPECT_NEAR(lastLow.distanceForArea(22), 14, 1e-12);  // 1 m² more at 0.5 m high

  const Wall none;
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.distanceForArea(5), 0);
  EXPECT_EQ(none.areaAtDistance(5), 0);
  EXPECT_EQ(none.heightAt(5), 0);
}

TEST(WallGeometry, ThePlansProportionRunsStraightBetweenItsPoints) {
  const Wall wall({{2.5, 14}}, {{9, 100}, {0, 0}, {14, 60}, {4, 30}});  // in any order
  EXPECT_EQ(wall.plannedProportionAt(-3), 0);
  EXPECT_NEAR(wall.plannedProportionAt(2), 15, 1e-12);
  EXPECT_NEAR(wall.plannedProportionAt(4), 30, 1e-12);
  EXPECT_NEAR(wall.plannedProportionAt(6.5), 65, 1e-12);
  EXPECT_NEAR(wall.plannedProportionAt(11.5), 80, 1e-12);
  EXPECT_EQ(wall.plannedProportionAt(14), 60);
  EXPECT_EQ(wall.plannedProportionAt(50), 60);

  EXPECT_EQ(Wall({}, {{4, 30}}).plannedProportionAt(0), 30);
  EXPECT_EQ(Wall({}, {{4, 30}}).plannedProportionAt(100), 30);
  EXPECT_EQ(Wall({}, {}).plannedProportionAt(3), 0);

  // Two points at one distance: the mix jumps there, no division by a zero width.
  const Wall jump({}, {{0, 0}, {5, 20}, {5, 80}, {10, 80}});
  EXPECT_NEAR(jump.plannedProportionAt(2.5), 10, 1e-12);
  EXPECT_NEAR(jump.plannedProportionAt(5), 20, 1e-12);
  EXPECT_NEAR(jump.plannedProportionAt(5.001), 80, 1e-12);
  // A proportion is a share of the mix.
  const Wall beyond({}, {{0, -20}, {10, 150}});
  EXPECT_EQ(beyond.plannedProportionAt(0), 0);
  EXPECT_EQ(beyond.plannedProportionAt(10), 100);
}

// The machine on a card, the DA output written as the control writes it, the pins watched
// every 5 ms as the machine moves them.
struct MachineRig {
  SimulatedK8000 card;
  I2cBus bus{card};
  K8000Card k8000{bus};
  PaintMachine machine;
  std::int64_t now = 0;
  long rollerChanges = 0, p1Changes = 0, p2Changes = 0;

  explicit MachineRig(MachineJob job, MachineConfig config = {}) : machine(card, std::move(job), std::move(config)) {
    k8000.InitCard();
  }

  // The analog output for a proportion, with the pump controller's scaling; one pump alone is
  // asked with the output's ends.
  void command(double proportion) {
    const MachineConstants& m = machine.constants();
    const double percent = m.outputAtZeroPercent + m.outputSpanPercent * proportion / 100;
    const int level = proportion <= 0 ? 0 : proportion >= 100 ? 255 : static_cast<int>(std::lround(percent / 100 * 255));
    k8000.WriteDaChannel(kMachineWiring.mixSetpoint, level);
  }

  void runTo(std::int64_t milliseconds, bool painting = true) {
    for (; now < milliseconds; now += 5) {
      const std::uint16_t before = card.pulledLowMask();
      machine.advanceTo(now + 5, painting);
      const std::uint16_t changed = before ^ card.pulledLowMask();
      auto on = [changed](int channel) { return (changed >> (channel - 1)) & 1; };
      rollerChanges += on(kMachineWiring.roller);
      p1Changes += on(kMachineWiring.pumpP1);
      p2Changes += on(kMachineWiring.pumpP2);
    }
  }
};

// One surface 2.5 m high and 10 m long; at 10 m/min the roller covers 2.5 / 6 m² a second and
// the pumps give 0.14 l for each: 7/120 l/s, so the 1 litre hose is full after 120/7 s.
MachineJob rampJob() { return {{{2.5, 10}}, {{0, 0}, {10, 100}}, {}}; }
constexpr double kFlow = 7.0 / 120;           // l/s
constexpr double kPrimingSeconds = 120.0 / 7;  // s

TEST(PaintMachine, PumpsGiveTheirTruePulsesPerLitreSplitAsTheOutputCommands) {
  MachineConfig config;
  config.p1PulsesPerLitre = 250;
  config.p2PulsesPerLitre = 180;
  MachineRig rig(rampJob(), config);
  rig.command(30);
  rig.runTo(50'000);
  const PaintMachine& m = rig.machine;
  EXPECT_NEAR(rig.p1Changes, m.litresP1() * 250, 1);
  EXPECT_NEAR(rig.p2Changes, m.litresP2() * 180, 1);
  EXPECT_NEAR(m.litresP2() / (m.litresP1() + m.litresP2()), m.commandedProportion() / 100, 1e-12);
  EXPECT_NEAR(m.commandedProportion(), 30, 0.5);  // within a step of the 8-bit output
  // Every litre pumped is in the hose or on the wall.
  EXPECT_NEAR(m.litresP1() + m.litresP2(), 1.0 + 0.14 * m.trueArea(), 1e-9);
  // The roller gives (1 - 0.14 / 0.28) x 100 = 50 pulses per m² it turns over, hose filling included.
  EXPECT_NEAR(rig.rollerChanges, 50 * (1 / 0.14 + m.trueArea()), 1);
}

TEST(PaintMachine, AStoppedPumpGivesNeitherPaintNorPulses) {
  MachineRig rig(rampJob(), {.faults = {{MachineFault::Target::P2, 0, 10}}});
  rig.command(50);
  rig.runTo(10'000);
  const long p2AtStop = rig.p2Changes;
  const double p2LitresAtStop = rig.machine.litresP2();
  EXPECT_GT(p2AtStop, 0);
  rig.runTo(40'000);
  EXPECT_EQ(rig.p2Changes, p2AtStop);
  EXPECT_EQ(rig.machine.litresP2(), p2LitresAtStop);
  const double p1Share = 1 - rig.machine.commandedProportion() / 100;
  EXPECT_NEAR(rig.machine.litresP1(), kFlow * p1Share * 40, 1e-9);
  // With half the paint the roller turns freer: about 75 pulses per m² after the stop, not 50.
  EXPECT_NEAR(rig.rollerChanges, 2.5 / 6 * (50 * 10 + 100 * (1 - 0.14 * p1Share / 0.28) * 30), 1);
}

TEST(PaintMachine, TheHoseFillsBeforeAnythingIsLaidAndGivesItsPaintBackFirstInFirstOut) {
  MachineRig rig(rampJob());
  rig.command(0);
  rig.runTo(17'000);
  EXPECT_EQ(rig.machine.trueArea(), 0);
  EXPECT_EQ(rig.machine.trueDistance(), 0);
  EXPECT_FALSE(rig.machine.laying());
  EXPECT_NEAR(rig.machine.hoseLitres(), kFlow * 17, 1e-12);
  EXPECT_GT(rig.rollerChanges, 0);  // the roller turns on the spot meanwhile

  rig.runTo(18'000);
  EXPECT_EQ(rig.machine.hoseLitres(), 1.0);
  EXPECT_NEAR(rig.machine.trueDistance(), (18 - kPrimingSeconds) / 6, 1e-9);
  EXPECT_TRUE(rig.machine.laying());

  // P2 alone from now on: the litre of P1 in the hose comes out first, 7.14 m² later.
  rig.command(100);
  rig.runTo(18'000 + 17'100);
  EXPECT_EQ(rig.machine.laidProportion(), 0);
  rig.runTo(18'000 + 17'300);
  EXPECT_GT(rig.machine.laidProportion(), 0);
  // Then the roller takes the new paint in over its dilution volume of 1.5 litres.
  rig.runTo(static_cast<std::int64_t>((18 + 1 / kFlow + 1.5 / kFlow) * 1000));
  EXPECT_NEAR(rig.machine.laidProportion(), 100 * (1 - std::exp(-1)), 0.1);
}

// Paints the whole wall with the output following the plan at the distance where the paint
// now entering the hose will be laid (`ahead`), or under the roller.
void paintFollowingThePlan(MachineRig& rig, bool ahead) {
  const PaintMachine& m = rig.machine;
  while (!m.finished()) {
    // Hose and roller hold paint for hoseLitres / 0.14 m² beyond the area painted.
    const double laidAt = m.trueArea() + (ahead ? m.hoseLitres() / m.constants().litresPerSquareMetre : 0);
    rig.command(m.wall().plannedProportionAt(m.wall().distanceForArea(laidAt)));
    rig.runTo(rig.now + 20);
  }
}

TEST(PaintMachine, AnOutputFollowingThePlanAheadLaysThePredictedMix) {
  MachineRig ahead({kFourSurfaces, kFourPoints, {}});
  paintFollowingThePlan(ahead, true);
  EXPECT_NEAR(ahead.machine.trueDistance(), 14, 1e-12);  // the roller stops at the wall's end
  EXPECT_NEAR(ahead.machine.trueArea(), 32.4, 1e-12);
  EXPECT_LT(ahead.machine.meanControlDeviation(), 0.5);
  EXPECT_LT(ahead.machine.largestControlDeviation(), 2);
  // The roller's mixing still lags behind the plan's changes.
  EXPECT_GT(ahead.machine.meanDeviation(), 5);

  // Without looking ahead the hose's litre comes out where it was not meant for.
  MachineRig under({kFourSurfaces, kFourPoints, {}});
  paintFollowingThePlan(under, false);
  EXPECT_GT(under.machine.meanControlDeviation(), 10 * ahead.machine.meanControlDeviation());
}

TEST(PaintMachine, ANewWallStartsAtTheBeginningAndTheFiguresCoverBothWalls) {
  MachineRig rig({kFourSurfaces, kFourPoints, {}});
  paintFollowingThePlan(rig, true);
  const double firstWall = rig.machine.meanDeviation();
  rig.machine.startNewWall();
  EXPECT_EQ(rig.machine.trueDistance(), 0);
  EXPECT_EQ(rig.machine.trueArea(), 0);
  EXPECT_EQ(rig.machine.hoseLitres(), 1.0);
  EXPECT_FALSE(rig.machine.finished());
  paintFollowingThePlan(rig, true);
  EXPECT_NEAR(rig.machine.trueArea(), 32.4, 1e-12);
  // Averaged over both walls' area, not the last one's alone.
  EXPECT_NEAR(rig.machine.meanDeviation(), firstWall, 0.25 * firstWall);
}

TEST(PaintMachine, ValveOpeningsBuildPressureThatLeaksAwayAndTheSensorReadsIt) {
  MachineJob job = rampJob();
  job.machine.sensorHighBar = 100;
  MachineRig rig(job, {.barPerValvePulse = 3, .pressureTimeConstant = 5});
  for (int opening = 0; opening < 10; ++opening) {
    rig.k8000.SetOutputChannel(kMachineWiring.gunValve);
    rig.runTo(rig.now + 5, false);
    rig.k8000.ClearOutputChannel(kMachineWiring.gunValve);
    rig.runTo(rig.now + 5, false);
  }
  const double built = rig.machine.pressure();
  EXPECT_NEAR(built, 30, 0.5);  // ten openings of 3 bar, a tenth of a second of leaking
  rig.k8000.ReadAdChip();
  EXPECT_EQ(rig.k8000.image().AnalogInputImage[kMachineWiring.pressureSensor], std::lround(built / 100 * 255));
  rig.runTo(rig.now + 5'000, false);
  EXPECT_NEAR(rig.machine.pressure(), built * std::exp(-1), 1e-9);
}

}  // namespace
}  // namespace chromaflow::sim
