#include "core/control/virtual_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace chromaflow {
namespace {

TEST(VirtualClock, TimersDueTogetherTickInTheOrderTheyWereMade) {
  VirtualClock clock;
  std::string order;
  VirtualTimer& refresh = clock.makeTimer(200, true);
  VirtualTimer& pulse = clock.makeTimer(100, true);
  VirtualTimer& cycle = clock.makeTimer(20, true);
  refresh.onTick = [&] { order += "R"; };
  pulse.onTick = [&] { order += "P"; };
  cycle.onTick = [&] { order += "c"; };
  clock.advanceTo(200);
  EXPECT_EQ(order, "ccccPcccccRPc");
  EXPECT_EQ(clock.now(), 200);
}

TEST(VirtualClock, OnlyANewIntervalRestartsThePeriod) {
  VirtualClock clock;
  VirtualTimer& timer = clock.makeTimer(100, false);
  int ticks = 0;
  timer.onTick = [&] { ++ticks; };
  clock.advanceTo(50);
  timer.setEnabled(true);  // first tick one interval from now: 150
  clock.advanceTo(120);
  timer.setEnabled(true);  // already enabled: the period runs on
  timer.setInterval(100);  // the same interval: the period runs on
  clock.advanceTo(150);
  EXPECT_EQ(ticks, 1);
  clock.advanceTo(180);
  timer.setInterval(40);  // a new interval: next tick at 220, not 190
  clock.advanceTo(219);
  EXPECT_EQ(ticks, 1);
  clock.advanceTo(260);
  EXPECT_EQ(ticks, 3);
  timer.setEnabled(false);
  clock.advanceTo(1000);
  EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace chromaflow
