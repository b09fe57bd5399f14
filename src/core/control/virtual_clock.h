#pragma once
// Timers on a virtual clock: time moves only when asked, and timers due in the same millisecond
// tick in the order they were made. Deterministic, for tests and the simulator.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/common/signal.h"
#include "core/control/timer.h"

namespace chromaflow {

class VirtualClock;

class VirtualTimer : public Timer {
 public:
  VirtualTimer(VirtualClock& clock, int interval, bool enabled);
  void setEnabled(bool on) override;
  bool isEnabled() const override { return enabled_; }
  void setInterval(int milliseconds) override;
  int interval() const override { return interval_; }

  std::function<void()> onTick;
  std::int64_t due() const { return due_; }

 private:
  friend class VirtualClock;
  VirtualClock& clock_;
  int interval_;
  bool enabled_;
  std::int64_t due_ = 0;
};

class VirtualClock : public TimerSource {
 public:
  std::int64_t now() const { return now_; }
  // A new timer; at equal due times, timers made earlier tick first.
  VirtualTimer& makeTimer(int interval, bool enabled);
  Timer& makeTimer(int interval, bool enabled, std::function<void()> onTick) override;

  // Time has moved to now() and a timer is about to tick: what the program does not drive (a
  // simulated machine) catches up first.
  Signal<> beforeTick;
  // Runs every tick due up to and including `time`, in time order, and stops the clock there.
  void advanceTo(std::int64_t time);
  // Runs the next tick due (at most `limit`) and returns its time; nothing when none is due.
  bool step(std::int64_t limit);

 private:
  std::int64_t now_ = 0;
  std::vector<std::unique_ptr<VirtualTimer>> timers_;
};

}  // namespace chromaflow
