#include "core/control/virtual_clock.h"

#include <algorithm>

namespace chromaflow {

VirtualTimer::VirtualTimer(VirtualClock& clock, int interval, bool enabled)
    : clock_(clock), interval_(std::max(1, interval)), enabled_(enabled), due_(clock.now() + interval_) {}

void VirtualTimer::setEnabled(bool on) {
  if (on && !enabled_) due_ = clock_.now() + interval_;
  enabled_ = on;
}

void VirtualTimer::setInterval(int milliseconds) {
  milliseconds = std::max(1, milliseconds);
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  due_ = clock_.now() + interval_;
}

VirtualTimer& VirtualClock::makeTimer(int interval, bool enabled) {
  timers_.push_back(std::make_unique<VirtualTimer>(*this, interval, enabled));
  return *timers_.back();
}

Timer& VirtualClock::makeTimer(int interval, bool enabled, std::function<void()> onTick) {
  VirtualTimer& timer = makeTimer(interval, enabled);
  timer.onTick = std::move(onTick);
  return timer;
}

bool VirtualClock::step(std::int64_t limit) {
  VirtualTimer* next = nullptr;
  for (const auto& timer : timers_)
    if (timer->enabled_ && timer->due_ <= limit && (!next || timer->due_ < next->due_)) next = timer.get();
  if (!next) return false;
  now_ = next->due_;
  next->due_ += next->interval_;
  beforeTick.emit();
  if (next->onTick) next->onTick();
  return true;
}

void VirtualClock::advanceTo(std::int64_t time) {
  while (step(time)) {
  }
  now_ = std::max(now_, time);
}

}  // namespace chromaflow
