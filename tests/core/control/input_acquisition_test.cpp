// The acquisition thread: every change counted between two captures, one transaction at a time
// on the bus, the gun valve's period kept while the window's thread is busy.

#include "core/control/input_acquisition.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/card/i2c_bus.h"
#include "core/common/display_forms.h"
#include "core/session/port_status.h"
#include "sim/card/simulated_k8000.h"
#include "sim/harness/attached_machine.h"
#include "support/control_rig.h"

namespace chromaflow {
namespace {

using namespace std::chrono_literals;
using testing::ControlRig;

constexpr int kRoller = 1, kPumpP1 = 7, kPumpP2 = 3, kValve = 9;

// Waits, without a deadline the test could miss on a loaded machine, until `done` holds.
template <typename Condition>
void waitFor(Condition done) {
  while (!done()) std::this_thread::sleep_for(1ms);
}

struct Acquisition : ::testing::Test {
  sim::SimulatedK8000 pins;
  I2cBus bus{pins};
  K8000Card card{bus};
  InputAcquisition acquisition{card, {.askRealTime = false}};
  std::int64_t now = 0;

  void sampleWith(std::uint16_t pulledLow) {
    pins.setPulledLowMask(pulledLow);
    acquisition.samplePeriod(now += 2000);
  }
};

TEST_F(Acquisition, BurstsOfChangesBetweenCapturesAreCountedExactly) {
  card.InitCard();
  acquisition.capture();
  for (const std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{7}, kKeptChangeTimes,
                              kKeptChangeTimes + 5}) {
    std::uint16_t mask = pins.pulledLowMask();
    for (std::size_t change = 0; change < k; ++change) {
      mask ^= 1u << (kRoller - 1);
      if (change % 3 == 0) mask ^= 1u << (kPumpP2 - 1);  // P2 changes on every third sampling
      sampleWith(mask);
    }
    const InputCapture taken = acquisition.capture();
    EXPECT_EQ(taken.changes[kRoller], k) << k;
    EXPECT_EQ(taken.changes[kPumpP2], (k + 2) / 3) << k;
    EXPECT_EQ(taken.changes[kPumpP1], 0u) << k;
    EXPECT_EQ(taken.inputs[kRoller], (mask & 1) != 0) << k;
    // Beyond the times kept the changes are counted all the same, and the times lost are told.
    const std::size_t changes = k + (k + 2) / 3;
    EXPECT_EQ(acquisition.lastChangeTimes().size(), std::min(changes, kKeptChangeTimes)) << k;
    EXPECT_EQ(acquisition.lastTimesNotKept(), changes - std::min(changes, kKeptChangeTimes)) << k;
    // The card's image shows the latest levels, as a reading of the chips would.
    EXPECT_EQ(card.image().InputImage[kRoller], (mask & 1) != 0) << k;
  }
}

TEST_F(Acquisition, GunValveSwitchesAtItsIntervalAndNotWhileDisarmedOrAnInput) {
  card.InitCard();  // channel 9 an output, switched off
  Timer& gun = acquisition.gunPulseTimer();
  gun.setInterval(10);
  gun.setEnabled(true);
  int switches = 0;
  bool on = pins.drivenLow(kValve);
  const auto run = [&](int periods) {
    for (int i = 0; i < periods; ++i) {
      sampleWith(pins.pulledLowMask());
      if (pins.drivenLow(kValve) != on) ++switches, on = !on;
    }
  };
  run(50);  // 100 ms, not armed
  EXPECT_EQ(switches, 0);
  acquisition.armGunValve(true);
  run(50);  // 100 ms at 10 ms
  EXPECT_GE(switches, 9);
  EXPECT_LE(switches, 10);
  // The valve's output as an operation leaves it is the one the thread switches from.
  card.MakeChannelInput(kValve);
  switches = 0;
  on = pins.drivenLow(kValve);
  run(50);
  EXPECT_EQ(switches, 0);
}

// A port that watches the bus: every register access between a start and a stop must come from
// the thread that made the start.
class WatchedPort final : public PortAccess {
 public:
  explicit WatchedPort(sim::SimulatedK8000& card) : card_(card) {}
  std::uint8_t readByte(std::uint16_t address) override {
    std::lock_guard lock(lock_);
    check();
    return card_.readByte(address);
  }
  void writeByte(std::uint16_t address, std::uint8_t value) override {
    std::lock_guard lock(lock_);
    check();
    if (address == registersOf(ParallelPortKind::Lpt1).control) {
      const BusWiring& wiring = kK8000BusWiring;
      const bool sclHigh = wiring.sclHighIn(control_) && wiring.sclHighIn(value);
      const bool sdaWasHigh = wiring.sdaHighIn(control_), sdaHigh = wiring.sdaHighIn(value);
      if (sclHigh && sdaWasHigh && !sdaHigh) inTransaction_ = true, owner_ = std::this_thread::get_id();
      if (sclHigh && !sdaWasHigh && sdaHigh) inTransaction_ = false;
      control_ = value;
    }
    card_.writeByte(address, value);
  }
  bool interleaved() const {
    std::lock_guard lock(lock_);
    return interleaved_;
  }

 private:
  void check() {
    if (inTransaction_ && std::this_thread::get_id() != owner_) interleaved_ = true;
  }
  sim::SimulatedK8000& card_;
  mutable std::mutex lock_;
  std::uint8_t control_ = kK8000BusWiring.control(true, true);
  bool inTransaction_ = false, interleaved_ = false;
  std::thread::id owner_;
};

TEST(LiveBus, NoTwoTransactionsEverShareTheBus) {
  sim::SimulatedK8000 pins;
  auto watchedToPlug = std::make_unique<WatchedPort>(pins);
  WatchedPort& watched = *watchedToPlug;
  VirtualClock clock;
  Session session{{clock,
                   [&](ParallelPortKind kind) {
                     PortChoice choice;
                     if (kind == ParallelPortKind::Lpt1 && watchedToPlug) choice.port = std::move(watchedToPlug);
                     return choice;
                   },
                   nullptr, AcquisitionOptions{.askRealTime = false}}};
  session.activateMainWindow();
  session.setRunning(true);
  session.setTestWindowOpen(true);
  // The window's thread works the card as hard as it can while the thread samples every 2 ms.
  const auto samplesBefore = session.acquisition()->figures().samples;
  for (int round = 0; round < 200; ++round) {
    session.testScrollDa(round % 256);
    session.testScrollDac(1 + round % 8, round % 64);
    session.testReadInputs();
    session.testMakeOutput(12);
    session.testMakeInput(12);
    clock.advanceTo(clock.now() + 20);  // a reading-cycle tick, with its own transactions
  }
  session.testInit();
  EXPECT_GT(session.acquisition()->figures().samples, samplesBefore);
  EXPECT_GT(session.acquisition()->figures().operations, 1000u);
  EXPECT_FALSE(watched.interleaved());
  EXPECT_EQ(session.cardProbe()->answering(), 4);  // the probe, handed over, still hears every chip
}

TEST(LiveBus, StartsStopsAndStartsAgainWithTheCardLeftAsItWas) {
  sim::SimulatedK8000 pins;
  I2cBus bus{pins};
  K8000Card card{bus};
  for (int round = 0; round < 20; ++round) {
    InputAcquisition acquisition{card, {.periodMicroseconds = 1000, .askRealTime = false}};
    card.setBusOwner(&acquisition);
    acquisition.start();
    card.InitCard();
    card.WriteDaChannel(1, round);
    card.MakeChannelOutput(12);
    card.SetOutputChannel(12);
    if (round % 2 == 0) acquisition.stop();  // stopped by hand, or by the destructor
    acquisition.start();
    card.ReadAllInputs();
    EXPECT_TRUE(card.image().InputImage[12]) << round;
    card.setBusOwner(nullptr);
  }
  EXPECT_EQ(pins.daOutput(), 19);
}

TEST(LiveBus, GunValveKeepsItsPeriodWhileTheWindowsThreadIsBlocked) {
  sim::SimulatedK8000 pins;
  I2cBus bus{pins};
  K8000Card card{bus};
  InputAcquisition acquisition{card, {.askRealTime = false}};
  card.setBusOwner(&acquisition);
  acquisition.start();
  card.InitCard();
  std::atomic<int> switches = 0;
  acquisition.runOwned([&] {
    acquisition.setBeforeSample([&, on = false](std::int64_t) mutable {
      if (pins.drivenLow(kValve) != on) ++switches, on = !on;
    });
  });
  acquisition.gunPulseTimer().setInterval(10);
  acquisition.gunPulseTimer().setEnabled(true);
  acquisition.armGunValve(true);
  std::this_thread::sleep_for(300ms);  // the window's thread held up, 30 intervals long
  const int seen = switches;
  acquisition.stop();
  EXPECT_GE(seen, 10);
  EXPECT_LE(seen, 31);
  card.setBusOwner(nullptr);
}

// k changes of the roller and the pumps between two ticks give k pulses each, as k ticks of
// one change each give them when the cycle reads the card itself.
TEST(LiveBus, EveryChangeBetweenTwoTicksIsOnePulse) {
  const auto prepare = [](ControlRig& rig) {
    rig.wall(2, 10, {{"0.00", 0}, {"10.00", 100}});
    rig.session.hoseFullButton();
    rig.session.setRunning(true);
  };
  ControlRig headless;
  prepare(headless);
  headless.tick();
  for (int pulse = 0; pulse < 37; ++pulse) {
    headless.edge(kRoller);
    if (pulse % 2 == 0) headless.edge(kPumpP1);
    if (pulse % 3 == 0) headless.edge(kPumpP2);
  }

  ControlRig live{AcquisitionOptions{.periodMicroseconds = 1000, .askRealTime = false}};
  prepare(live);
  live.tick();
  live.tick();
  // The thread's own samplings move the pins: 37 roller changes, 19 of P1, 13 of P2.
  std::atomic<int> sampling = 0;
  live.session.acquisition()->runOwned([&] {
    live.session.acquisition()->setBeforeSample([&](std::int64_t) {
      const int n = sampling;
      if (n < 37) {
        std::uint16_t mask = live.card.pulledLowMask() ^ (1u << (kRoller - 1));
        if (n % 2 == 0) mask ^= 1u << (kPumpP1 - 1);
        if (n % 3 == 0) mask ^= 1u << (kPumpP2 - 1);
        live.card.setPulledLowMask(mask);
      }
      sampling = n + 1;
    });
  });
  waitFor([&] { return sampling > 38; });
  live.tick();

  const MainWindowFigures& a = headless.control.main();
  const MainWindowFigures& b = live.control.main();
  EXPECT_EQ(b.TrRoul, a.TrRoul);
  EXPECT_EQ(b.TrP1, "19");
  EXPECT_EQ(b.TrP1, a.TrP1);
  EXPECT_EQ(b.TrP2, a.TrP2);
  EXPECT_EQ(live.control.state().PaintedArea, headless.control.state().PaintedArea);
  EXPECT_EQ(live.control.state().Distance, headless.control.state().Distance);
  EXPECT_EQ(b.Distance, a.Distance);
}

}  // namespace
}  // namespace chromaflow

namespace chromaflow {
namespace {

// Changes faster than the samplings (two of the roller's between two of them) are lost: the
// status line and the job record say how many, where the machine tells what it made.
TEST(LiveBus, PulsesTooFastForTheSamplingsAreShownLost) {
  ControlRig live{AcquisitionOptions{.periodMicroseconds = 1000, .askRealTime = false}};
  live.wall(2, 10, {{"0.00", 0}, {"10.00", 100}});
  live.session.hoseFullButton();
  live.session.setRunning(true);
  live.tick();
  InputAcquisition& acquisition = *live.session.acquisition();
  std::atomic<int> sampling = 0;
  acquisition.runOwned([&] {
    acquisition.setPulsesMade([&] {
      std::array<std::uint64_t, kDigitalChannels + 1> made{};
      for (int channel = 1; channel <= kDigitalChannels; ++channel) made[channel] = live.card.changesFromOutside(channel);
      return made;
    });
    acquisition.setBeforeSample([&](std::int64_t) {
      if (sampling < 25) {
        live.card.setPulledLow(kRoller, true);  // a pulse both of whose edges fall between two samplings
        live.card.setPulledLow(kRoller, false);
        live.card.setPulledLow(kPumpP1, !live.card.pinLow(kPumpP1));  // one change a sampling: counted
      }
      ++sampling;
    });
  });
  waitFor([&] { return sampling > 26; });
  live.tick();
  EXPECT_EQ(live.session.pulsesLost(), 50u);
  EXPECT_EQ(acquisition.figures().pulsesLost[kPumpP1], 0u);
  EXPECT_NE(drivingSummary(live.session).find("impulsions perdues : rouleau 50, P1 0, P2 0"), std::string::npos)
      << drivingSummary(live.session);
  EXPECT_EQ(live.session.jobRecord().pulsesLost(), 50u);
  EXPECT_EQ(live.control.main().TrP1, "25");
  acquisition.runOwned([&] {
    acquisition.setBeforeSample(nullptr);
    acquisition.setPulsesMade(nullptr);
  });
}


// The simulated machine moves on the acquisition thread while the window's thread changes the
// plan under it: each change builds a new machine on the window's thread and hands it over, and
// the thread goes on moving and counting it (ThreadSanitizer runs this case too).
TEST(LiveBus, TheSimulatedMachineIsBuiltAnewWhileTheThreadMovesIt) {
  ControlRig live{AcquisitionOptions{.periodMicroseconds = 1000, .askRealTime = false}};
  live.wall(2.5f, 10, {{"0.00", 0}, {"10.00", 100}});
  const auto started = std::chrono::steady_clock::now();
  sim::AttachedMachine attached(live.session, live.card, [started] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  });
  sim::MachineConfig fast;
  fast.speedMetresPerMinute = 60;
  attached.setConfig(fast);
  live.session.setRunning(true);
  InputAcquisition& acquisition = *live.session.acquisition();
  const auto counted = [&] { return acquisition.figures().changesCounted[kPumpP1]; };
  for (int round = 0; round < 12; ++round) {
    live.session.appendSurface({1.0f, 1.0f});  // a longer wall: a new machine at the next tick
    const auto before = counted();
    waitFor([&] {
      live.tick();
      std::this_thread::sleep_for(5ms);
      return counted() > before + 2;  // the new machine fills its hose, P1 pulsing
    });
  }
  double length = 0;
  acquisition.runOwned([&] { length = attached.machine() ? attached.machine()->wall().length() : 0; });
  EXPECT_DOUBLE_EQ(length, 22);
}

}  // namespace
}  // namespace chromaflow
