#pragma once
// The three timers of the main window, as the control sees them: Qt timers in the program, a
// virtual clock in tests and in the simulator.

#include <functional>

namespace chromaflow {

class Timer {
 public:
  virtual ~Timer() = default;
  // Enabling an enabled timer leaves its running period untouched.
  virtual void setEnabled(bool on) = 0;
  virtual bool isEnabled() const = 0;
  // The interval it already has leaves the running period untouched; another one restarts the
  // period, so that the next tick comes one full new interval later.
  virtual void setInterval(int milliseconds) = 0;
  virtual int interval() const = 0;
};

// Where the program's timers come from: Qt timers in the program, a virtual clock in tests and in
// the simulator. Timers made by a source live as long as it does; at one due time they tick in
// the order they were made.
class TimerSource {
 public:
  virtual ~TimerSource() = default;
  virtual Timer& makeTimer(int interval, bool enabled, std::function<void()> onTick) = 0;
};

}  // namespace chromaflow
