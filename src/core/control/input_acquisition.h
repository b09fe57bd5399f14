#pragma once
// The acquisition thread: while the program runs live it owns the card's bus. Every period
// (2 ms by default) it reads both I/O chips and counts every change of every input, keeping
// the latest levels and the time of each change, so that a pulse shorter than the reading
// cycle's 20 ms is still counted however late the cycle runs. The reading cycle captures what
// was counted since its last capture; the lock it takes is never held across a bus transaction.
// Every other operation on the card (the mix setpoint, the gun valve, the card test window,
// "Init", the acknowledge probe) is handed to the thread and runs whole between two samplings.
// The gun valve's pulsing at the pressure regulation's frequency is timed here too, so that
// its period holds while the window is busy.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/card/bus_owner.h"
#include "core/control/input_capture.h"
#include "core/card/k8000_card.h"
#include "core/control/timer.h"

namespace chromaflow {

// How the thread runs, as it asked the system.
enum class AcquisitionPriority { Normal, Fifo, RealtimeKit };
const char* priorityName(AcquisitionPriority priority);  // "normal", "fifo", "rtkit"

struct AcquisitionOptions {
  int periodMicroseconds = 2000;  // kept within 1000..5000
  bool askRealTime = true;        // SCHED_FIFO, else the desktop's RealtimeKit, else normal
  // Asks the desktop's RealtimeKit to raise the thread (by its kernel thread id); true when
  // granted. Nothing: the desktop is not asked.
  std::function<bool(long threadId)> askRealtimeKit{};
  int gunValveChannel = 9;
};

// Times of the changes kept per capture; beyond, the changes are still counted and the times
// not kept are counted too.
inline constexpr std::size_t kKeptChangeTimes = 1024;

struct InputChange {
  int channel = 0;
  std::int64_t microseconds = 0;  // on the acquisition's steady clock
};

struct AcquisitionFigures {
  std::uint64_t samples = 0;
  std::uint64_t operations = 0;             // run for other threads
  std::array<std::uint64_t, kDigitalChannels + 1> changesCounted{};  // per input, since made
  std::int64_t longestIntervalMicroseconds = 0;  // between two samplings
  std::int64_t intervalP99Microseconds = 0;
  AcquisitionPriority priority = AcquisitionPriority::Normal;
  bool memoryLocked = false;
  // Where the machine tells the pulses it really made (the simulated machine): per input, those
  // made and never counted since it began telling.
  bool lossKnown = false;
  std::array<std::uint64_t, kDigitalChannels + 1> pulsesLost{};
  std::string priorityRemedy;  // what the operator does to get real-time priority, or nothing
};

class InputAcquisition final : public BusOwner, public InputSource {
 public:
  explicit InputAcquisition(K8000Card& card, AcquisitionOptions options = {});
  ~InputAcquisition() override;
  InputAcquisition(const InputAcquisition&) = delete;
  InputAcquisition& operator=(const InputAcquisition&) = delete;

  // The thread takes the bus; the card's operations go through it until stop().
  void start();
  void stop();
  bool running() const { return running_; }
  int periodMicroseconds() const { return options_.periodMicroseconds; }

  bool onOwnerThread() const override;
  void runOwned(const std::function<void()>& operation) override;

  InputCapture capture() override;
  bool pulsesGunValve() const override { return running(); }
  // The times of the changes counted up to the last capture, and how many had no room.
  const std::vector<InputChange>& lastChangeTimes() const { return lastTimes_; }
  std::uint64_t lastTimesNotKept() const { return lastTimesNotKept_; }

  // The gun valve pulsing: the control drives it as its pulse timer. While enabled and armed
  // and the valve is an output, the valve switches every interval.
  Timer& gunPulseTimer() { return gunTimer_; }
  void armGunValve(bool armed);

  // Done on the thread before each sampling, with the steady clock in milliseconds: a simulated
  // machine moves with the wall clock. Set it only while stopped or from an owned operation.
  void setBeforeSample(std::function<void(std::int64_t milliseconds)> beforeSample) {
    beforeSample_ = std::move(beforeSample);
  }

  AcquisitionFigures figures() const;

  // The changes the machine really made on each input, when the machine can tell (the
  // simulated one): read after each sampling, the pulses lost are those made and not counted.
  // Set it only while stopped or from an owned operation.
  using PulsesMade = std::function<std::array<std::uint64_t, kDigitalChannels + 1>()>;
  void setPulsesMade(PulsesMade made);

  // One period's work, as the thread does it: owned operations, the gun valve, one sampling.
  // Tests call it directly, without the thread.
  void samplePeriod(std::int64_t microseconds);

 private:
  class GunTimer final : public Timer {
   public:
    explicit GunTimer(InputAcquisition& owner) : owner_(owner) {}
    void setEnabled(bool on) override;
    bool isEnabled() const override { return enabled_; }
    void setInterval(int milliseconds) override;
    int interval() const override { return interval_; }

   private:
    InputAcquisition& owner_;
    bool enabled_ = false;
    int interval_ = 25;
  };

  void run();
  void runQueued();
  void adoptCardOutputs();  // what the card's operations last switched
  void pulseGunValve(std::int64_t microseconds);
  void sample(std::int64_t microseconds);
  void noteInterval(std::int64_t microseconds);
  void takePriority();
  std::int64_t nowMicroseconds() const;

  K8000Card& card_;
  AcquisitionOptions options_;
  std::thread thread_;
  std::atomic<bool> running_ = false;  // read by both threads, unlike thread_
  std::atomic<std::thread::id> ownerThread_{};
  std::function<void(std::int64_t)> beforeSample_;
  PulsesMade pulsesMade_;
  std::array<std::uint64_t, kDigitalChannels + 1> madeAtFirst_{}, countedAtFirst_{};

  // Operations handed over by other threads, and the thread's sleep between periods.
  struct Request {
    const std::function<void()>* operation;
    std::exception_ptr failure;
    bool done = false;
  };
  mutable std::mutex queueLock_;
  std::condition_variable wake_, finished_;
  std::deque<Request*> queue_;
  bool stopping_ = false;

  // What the thread alone touches between operations: the last pin levels read, and what it
  // last wrote to each I/O chip (outputs switched on, inputs).
  std::array<std::uint8_t, 2> levels_{0xFF, 0xFF};
  std::array<std::uint16_t, 2> active_{}, direction_{0xFF, 0xFF};
  std::int64_t lastSample_ = -1;

  // What was counted since the last capture, under the short lock.
  mutable std::mutex countLock_;
  InputCapture counted_;
  std::array<std::uint8_t, 2> latestLevels_{0xFF, 0xFF};
  std::vector<InputChange> times_;
  std::uint64_t timesNotKept_ = 0;
  AcquisitionFigures figures_;
  std::array<std::uint64_t, kDigitalChannels + 1> madeSoFar_{};
  std::vector<std::uint32_t> intervalHistogram_;  // 10 µs bins up to 100 ms

  std::vector<InputChange> lastTimes_;
  std::uint64_t lastTimesNotKept_ = 0;

  // The gun valve's timing, set by the window's thread, used by the acquisition's.
  GunTimer gunTimer_{*this};
  mutable std::mutex gunLock_;
  bool gunEnabled_ = false, gunArmed_ = false;
  std::int64_t gunIntervalMicroseconds_ = 25'000, nextGunSwitch_ = 0;
  bool gunRestart_ = false;
};

}  // namespace chromaflow
