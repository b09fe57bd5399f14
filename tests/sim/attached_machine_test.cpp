// The simulated machine as the desktop program attaches it: the session on a virtual clock, the
// operator's gestures, the machine moved before every reading-cycle tick.

#include "sim/harness/attached_machine.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/control_rig.h"

namespace chromaflow::sim {
namespace {

using testing::ControlRig;

struct Desk {
  ControlRig rig;
  bool clockFails = false;
  AttachedMachine attached{rig.session, rig.card, [this] {
                             if (clockFails) throw std::runtime_error("no clock");
                             return rig.clock.now();
                           }};
  Session& session = rig.session;

  explicit Desk(bool openExample = true) {
    if (openExample) open();
  }
  void open() {
    rig.asker.openAnswers.push_back(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
    EXPECT_TRUE(session.openProject(true));
  }
  void run(double seconds) {
    const std::int64_t until = rig.clock.now() + static_cast<std::int64_t>(seconds * 1000);
    while (rig.clock.now() < until) rig.tick();
  }
  void start() {
    session.setRunning(true);
    session.toggleGun();
  }
  const PaintMachine& machine() const { return *attached.machine(); }
};

// The example's hose holds 1 l, laid at 0.14 l/m² on 2.5 m: filled after 180 / speed seconds.
double fillingSeconds(double speed) { return 180 / speed + 3; }

MachineConfig config(double speed, std::vector<MachineFault> faults = {}) {
  MachineConfig c;
  c.speedMetresPerMinute = speed;
  c.faults = std::move(faults);
  return c;
}

TEST(AttachedMachine, TheCountedDistanceFollowsTheRollerAtItsSpeed) {
  Desk desk;
  desk.start();
  desk.run(fillingSeconds(10));
  double from = desk.session.state().Distance;
  ASSERT_GT(from, 0);
  desk.run(30);
  EXPECT_NEAR(desk.session.state().Distance - from, 5, 0.1);
  EXPECT_NEAR(desk.session.state().Distance, desk.machine().trueDistance(), 0.05);

  // A new speed, the roller back at the start: the machine is set up again, fills its hose and
  // paints at 20 m/min.
  desk.session.hoseFullButton();
  desk.attached.setConfig(config(20));
  desk.run(fillingSeconds(20));
  from = desk.machine().trueDistance();
  ASSERT_GT(from, 0);
  desk.run(21);
  EXPECT_NEAR(desk.machine().trueDistance() - from, 7, 0.01);
}

TEST(AttachedMachine, StopHoldsTheRollerPumpsAndPins) {
  Desk desk;
  desk.start();
  desk.run(20);
  desk.session.setRunning(false);
  desk.run(0.1);
  const double counted = desk.session.state().Distance, travelled = desk.machine().trueDistance();
  const double p1 = desk.machine().litresP1();
  const auto pins = desk.rig.card.pulledLowMask();
  desk.run(10);
  EXPECT_EQ(desk.machine().trueDistance(), travelled);
  EXPECT_EQ(desk.machine().litresP1(), p1);
  EXPECT_EQ(desk.session.state().Distance, counted);
  EXPECT_EQ(desk.rig.card.pulledLowMask(), pins);
}

TEST(AttachedMachine, TheMachinesTimeStartsWhenItIsSetUp) {
  // "Start" checked for ten minutes without a plan, then the project opened: one second later
  // the roller has only begun filling its hose.
  Desk desk(false);
  desk.start();
  desk.run(600);
  EXPECT_EQ(desk.attached.machine(), nullptr);
  desk.open();
  EXPECT_EQ(desk.attached.machine(), nullptr);  // until the next tick
  desk.run(1);
  ASSERT_NE(desk.attached.machine(), nullptr);
  EXPECT_EQ(desk.machine().trueDistance(), 0);
  EXPECT_GT(desk.machine().litresP1(), 0);
  EXPECT_LT(desk.machine().litresP1(), 0.1);
}

TEST(AttachedMachine, AStoppedPumpRaisesItsAlarm) {
  Desk desk;
  desk.attached.setConfig(config(10, {{MachineFault::Target::P1, 0, 0}}));
  desk.start();
  desk.run(40);
  EXPECT_TRUE(desk.session.correction().alarm(Alarm::P1Stop));
  EXPECT_FALSE(desk.session.correction().alarm(Alarm::P2Stop));
  EXPECT_EQ(desk.machine().litresP1(), 0);
}

TEST(AttachedMachine, AFaultCountsFromWhenItIsSetWhateverIsSetUpAfter) {
  Desk desk;
  desk.run(120);
  desk.attached.setConfig(config(10, {{MachineFault::Target::P1, 0, 20}}));
  desk.start();
  desk.run(10);
  desk.session.appendSurface({2.0f, 6.0f});  // the machine set up again for a longer wall
  desk.run(9);
  const double pumped = desk.machine().litresP1();
  desk.run(2);  // P1 stops 20 s after the fault was set
  const double stopped = desk.machine().litresP1();
  EXPECT_GT(stopped, pumped);
  desk.run(5);
  EXPECT_EQ(desk.machine().litresP1(), stopped);
  EXPECT_GT(desk.machine().litresP2(), 0);
}

TEST(AttachedMachine, SetUpAgainOnlyWhenItsJobChanges) {
  Desk desk;
  desk.start();
  desk.run(30);
  const PaintMachine* first = desk.attached.machine();
  const double travelled = first->trueDistance();
  ASSERT_GT(travelled, 1);

  // Rows refreshed, hose state chosen, the same configuration: nothing of the job changed.
  desk.session.planWindowShown();
  desk.session.settingsWindowActivated();
  desk.session.selectHoseState(HoseState::Empty);
  desk.attached.setConfig(desk.attached.config());
  desk.run(1);
  EXPECT_EQ(desk.attached.machine(), first);
  EXPECT_GT(first->trueDistance(), travelled);

  // A surface more: taken at the next tick, never inside the edit.
  desk.session.appendSurface({2.0f, 6.0f});
  EXPECT_DOUBLE_EQ(desk.machine().wall().length(), 14);
  desk.rig.tick();
  EXPECT_DOUBLE_EQ(desk.machine().wall().length(), 20);
  EXPECT_LT(desk.machine().trueDistance(), 0.01);
  EXPECT_EQ(desk.machine().hoseLitres(), desk.machine().litresP1() + desk.machine().litresP2());  // filling

  // The hose's volume in the settings is one of the machine's own constants.
  desk.run(30);
  ASSERT_FALSE(desk.session.enterSettingsPanel(SettingsPanel::EditRetard, "1.5").refused());
  desk.rig.tick();
  EXPECT_DOUBLE_EQ(desk.machine().constants().hoseLitres, 1.5);
  EXPECT_EQ(desk.machine().trueDistance(), 0);
}

TEST(AttachedMachine, RollerBackAtStartKeepsTheHoseFull) {
  Desk desk;
  desk.start();
  desk.run(30);
  const double hose = desk.machine().hoseLitres();
  ASSERT_GT(desk.machine().trueDistance(), 2);
  desk.attached.rollerBackAtStart();
  EXPECT_EQ(desk.machine().trueDistance(), 0);
  desk.run(3);
  EXPECT_EQ(desk.machine().hoseLitres(), hose);
  EXPECT_NEAR(desk.machine().trueDistance(), 0.5, 0.01);  // painting again at once
}

TEST(AttachedMachine, TheRollerStopsAtThePlansEnd) {
  // The whole example at 10 m/min: the roller stops with the wall painted, the count at 14 m.
  Desk desk;
  desk.start();
  desk.run(100);  // 18 s filling the hose, then 84 s along the wall
  EXPECT_FALSE(desk.attached.atPathEnd());
  desk.run(5);
  EXPECT_TRUE(desk.attached.atPathEnd());
  EXPECT_NEAR(desk.session.state().Distance, 14, 0.05);

  // "->|<-", then a new speed 3 m into the next wall: the machine is set up again from the
  // wall's start with its hose empty while the count goes on from 3 m. It stops when the count
  // reaches the plan's end, pumps and all, however much of its own wall it has laid.
  desk.session.hoseFullButton();
  desk.attached.rollerBackAtStart();
  EXPECT_FALSE(desk.attached.atPathEnd());
  desk.run(18);
  ASSERT_NEAR(desk.session.state().Distance, 3, 0.1);
  desk.attached.setConfig(config(20));
  desk.run(50);
  EXPECT_TRUE(desk.attached.atPathEnd());
  EXPECT_LT(desk.machine().trueDistance(), 13);
  const double counted = desk.session.state().Distance, p1 = desk.machine().litresP1();
  EXPECT_NEAR(counted, 14, 0.05);
  desk.run(20);
  EXPECT_EQ(desk.session.state().Distance, counted);
  EXPECT_EQ(desk.machine().litresP1(), p1);

  // Back at the start, the roller paints again.
  desk.session.hoseFullButton();
  desk.attached.rollerBackAtStart();
  desk.run(3);
  EXPECT_FALSE(desk.attached.atPathEnd());
  EXPECT_GT(desk.session.state().Distance, 0.5);
}

TEST(AttachedMachine, NoWallOrNoClockStopsTheMachineNotTheTicks) {
  Desk desk;
  desk.start();
  desk.run(20);
  const auto pins = desk.rig.card.pulledLowMask();
  desk.session.clearSurfaces();
  desk.run(5);
  EXPECT_EQ(desk.attached.machine(), nullptr);
  EXPECT_EQ(desk.rig.card.pulledLowMask(), pins);
  desk.attached.rollerBackAtStart();

  desk.session.appendSurface({2.5f, 4.0f});
  desk.rig.tick();
  ASSERT_NE(desk.attached.machine(), nullptr);
  EXPECT_DOUBLE_EQ(desk.machine().wall().length(), 4);

  desk.clockFails = true;
  EXPECT_NO_THROW(desk.rig.tick());
  EXPECT_EQ(desk.attached.machine(), nullptr);
}

}  // namespace
}  // namespace chromaflow::sim
