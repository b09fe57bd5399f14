#include "gui/widgets/qt_timers.h"

#include <QTimer>

namespace chromaflow {
namespace {

class QtTimer : public Timer {
 public:
  QtTimer(int interval, bool enabled, std::function<void()> onTick) {
    // The reading cycle counts pulses: a coarse timer would stretch 20 ms to 25 or more.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(onTick));
    if (enabled) timer_.start();
  }

  void setEnabled(bool on) override {
    if (on == timer_.isActive()) return;  // an enabled timer keeps its running period
    if (on)
      timer_.start();
    else
      timer_.stop();
  }
  bool isEnabled() const override { return timer_.isActive(); }
  void setInterval(int milliseconds) override {
    if (milliseconds == timer_.interval()) return;
    timer_.setInterval(milliseconds);  // a running timer restarts its period with it
  }
  int interval() const override { return timer_.interval(); }

 private:
  QTimer timer_;
};

}  // namespace

QtTimerSource::QtTimerSource() = default;
QtTimerSource::~QtTimerSource() = default;

Timer& QtTimerSource::makeTimer(int interval, bool enabled, std::function<void()> onTick) {
  timers_.push_back(std::make_unique<QtTimer>(interval, enabled, std::move(onTick)));
  return *timers_.back();
}

}  // namespace chromaflow
