#pragma once
// The main window's timers on Qt timers, all on the one user-interface thread.

#include <memory>
#include <vector>

#include "core/control/timer.h"

namespace chromaflow {

class QtTimerSource : public TimerSource {
 public:
  QtTimerSource();
  ~QtTimerSource() override;
  Timer& makeTimer(int interval, bool enabled, std::function<void()> onTick) override;

 private:
  std::vector<std::unique_ptr<Timer>> timers_;
};

}  // namespace chromaflow
