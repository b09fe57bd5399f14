#include "core/control/input_acquisition.h"

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>

namespace chromaflow {
namespace {

constexpr std::int64_t kHistogramBinMicroseconds = 10;
constexpr std::size_t kHistogramBins = 10'000;  // up to 100 ms
constexpr int kWantedFifoPriority = 60;          // above the desktop's audio, below the kernel's own

}  // namespace

const char* priorityName(AcquisitionPriority priority) {
  switch (priority) {
    case AcquisitionPriority::Fifo: return "fifo";
    case AcquisitionPriority::RealtimeKit: return "rtkit";
    case AcquisitionPriority::Normal: break;
  }
  return "normal";
}

InputAcquisition::InputAcquisition(K8000Card& card, AcquisitionOptions options)
    : card_(card), options_(std::move(options)), intervalHistogram_(kHistogramBins + 1, 0) {
  options_.periodMicroseconds = std::clamp(options_.periodMicroseconds, 1000, 5000);
  times_.reserve(kKeptChangeTimes);
  lastTimes_.reserve(kKeptChangeTimes);
}

InputAcquisition::~InputAcquisition() { stop(); }

std::int64_t InputAcquisition::nowMicroseconds() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void InputAcquisition::start() {
  if (running()) return;
  // The thread starts from what the card was last seen and told: no change is counted for
  // levels the card's image already shows.
  for (int chip = 0; chip < 2; ++chip)
    levels_[chip] = static_cast<std::uint8_t>(~card_.image().IoState[chip] & 0xFF);
  adoptCardOutputs();
  {
    std::lock_guard lock(countLock_);
    latestLevels_ = levels_;
  }
  {
    std::lock_guard lock(queueLock_);
    stopping_ = false;
  }
  lastSample_ = -1;
  // The caller goes on once the thread knows its priority, so that it can be shown at once.
  std::promise<void> prioritySet;
  std::future<void> ready = prioritySet.get_future();
  running_ = true;
  thread_ = std::thread([this, &prioritySet] {
    ownerThread_ = std::this_thread::get_id();
    takePriority();
    prioritySet.set_value();
    run();
  });
  ready.wait();
}

void InputAcquisition::stop() {
  if (!running()) return;
  {
    std::lock_guard lock(queueLock_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
  running_ = false;
  ownerThread_ = std::thread::id{};
}

bool InputAcquisition::onOwnerThread() const { return ownerThread_.load() == std::this_thread::get_id(); }

void InputAcquisition::runOwned(const std::function<void()>& operation) {
  if (!running() || onOwnerThread()) {
    operation();
    return;
  }
  Request request{&operation, nullptr, false};
  {
    std::lock_guard lock(queueLock_);
    queue_.push_back(&request);
  }
  wake_.notify_one();
  {
    std::unique_lock lock(queueLock_);
    finished_.wait(lock, [&] { return request.done; });
  }
  if (request.failure) std::rethrow_exception(request.failure);
}

void InputAcquisition::run() {
  const auto period = std::chrono::microseconds(options_.periodMicroseconds);
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    {
      std::unique_lock lock(queueLock_);
      wake_.wait_until(lock, next, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) break;
    }
    runQueued();
    const auto now = std::chrono::steady_clock::now();
    if (now < next) continue;  // woken for an operation only
    samplePeriod(nowMicroseconds());
    next += period;
    // Behind by more than a period (the system held the thread): the next sampling comes one
    // period from now, not in a burst.
    if (next <= now) next = now + period;
  }
  runQueued();  // nobody is left waiting on an operation
}

void InputAcquisition::runQueued() {
  for (;;) {
    Request* request = nullptr;
    {
      std::lock_guard lock(queueLock_);
      if (queue_.empty()) return;
      request = queue_.front();
      queue_.pop_front();
    }
    // The operation finds the outputs as this thread last switched them (the gun valve), and
    // this thread keeps what the operation wrote.
    for (int chip = 0; chip < 2; ++chip) card_.takeOutputLevels(chip, active_[chip]);
    try {
      (*request->operation)();
    } catch (...) {
      request->failure = std::current_exception();
    }
    adoptCardOutputs();
    {
      std::lock_guard lock(countLock_);
      ++figures_.operations;
    }
    {
      std::lock_guard lock(queueLock_);
      request->done = true;
    }
    finished_.notify_all();
  }
}

void InputAcquisition::adoptCardOutputs() {
  const CardImage& image = card_.image();
  for (int chip = 0; chip < 2; ++chip) {
    direction_[chip] = image.IoDirection[chip];
    active_[chip] = static_cast<std::uint16_t>(image.IoState[chip] & ~image.IoDirection[chip] & 0xFF);
  }
}

void InputAcquisition::samplePeriod(std::int64_t microseconds) {
  // Without the thread the card's operations ran here, on the caller's thread, in between.
  if (!running()) adoptCardOutputs();
  runQueued();
  if (beforeSample_) beforeSample_(microseconds / 1000);
  pulseGunValve(microseconds);
  sample(microseconds);
}

void InputAcquisition::sample(std::int64_t microseconds) {
  // The bus first, the lock after: the reading cycle never waits on a transaction.
  const std::array<std::uint8_t, 2> now{card_.sampleIoChip(0), card_.sampleIoChip(1)};
  std::lock_guard lock(countLock_);
  for (int chip = 0; chip < 2; ++chip) {
    const unsigned changed = static_cast<unsigned>(now[chip] ^ levels_[chip]);
    if (changed == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(changed & (1u << bit))) continue;
      const int channel = chip * 8 + bit + 1;
      std::uint32_t& count = counted_.changes[channel];
      if (count < std::numeric_limits<std::uint32_t>::max()) ++count;
      ++figures_.changesCounted[channel];
      if (times_.size() < kKeptChangeTimes)
        times_.push_back({channel, microseconds});
      else
        ++timesNotKept_;
    }
  }
  levels_ = now;
  latestLevels_ = now;
  if (pulsesMade_) madeSoFar_ = pulsesMade_();
  ++figures_.samples;
  noteInterval(microseconds);
}

void InputAcquisition::noteInterval(std::int64_t microseconds) {
  if (lastSample_ >= 0) {
    const std::int64_t interval = microseconds - lastSample_;
    figures_.longestIntervalMicroseconds = std::max(figures_.longestIntervalMicroseconds, interval);
    const auto bin = static_cast<std::size_t>(std::clamp<std::int64_t>(
        interval / kHistogramBinMicroseconds, 0, static_cast<std::int64_t>(kHistogramBins)));
    ++intervalHistogram_[bin];
  }
  lastSample_ = microseconds;
}

InputCapture InputAcquisition::capture() {
  // Stopped: the caller samples once itself, as a headless tick would.
  if (!running()) sample(nowMicroseconds());
  InputCapture taken;
  std::array<std::uint8_t, 2> levels{};
  {
    std::lock_guard lock(countLock_);
    taken.changes = std::exchange(counted_.changes, {});
    levels = latestLevels_;
    lastTimes_.swap(times_);
    times_.clear();
    lastTimesNotKept_ = std::exchange(timesNotKept_, 0);
  }
  // The image takes the latest levels as a reading of the chips would.
  card_.takeIoReading(0, levels[0]);
  card_.takeIoReading(1, levels[1]);
  taken.inputs = card_.image().InputImage;
  return taken;
}

void InputAcquisition::setPulsesMade(PulsesMade made) {
  pulsesMade_ = std::move(made);
  std::lock_guard lock(countLock_);
  madeAtFirst_ = madeSoFar_ = pulsesMade_ ? pulsesMade_() : decltype(madeSoFar_){};
  countedAtFirst_ = figures_.changesCounted;
  figures_.lossKnown = static_cast<bool>(pulsesMade_);
}

AcquisitionFigures InputAcquisition::figures() const {
  std::lock_guard lock(countLock_);
  AcquisitionFigures figures = figures_;
  if (figures.lossKnown)
    for (std::size_t channel = 1; channel < madeSoFar_.size(); ++channel) {
      const std::uint64_t made = madeSoFar_[channel] - madeAtFirst_[channel];
      const std::uint64_t counted = figures_.changesCounted[channel] - countedAtFirst_[channel];
      figures.pulsesLost[channel] = made > counted ? made - counted : 0;
    }
  std::uint64_t total = 0;
  for (std::uint32_t n : intervalHistogram_) total += n;
  std::uint64_t seen = 0;
  for (std::size_t bin = 0; bin < intervalHistogram_.size(); ++bin) {
    seen += intervalHistogram_[bin];
    if (total > 0 && seen * 100 >= total * 99) {
      figures.intervalP99Microseconds = static_cast<std::int64_t>(bin + 1) * kHistogramBinMicroseconds;
      break;
    }
  }
  return figures;
}

void InputAcquisition::armGunValve(bool armed) {
  std::lock_guard lock(gunLock_);
  if (armed && !gunArmed_) gunRestart_ = true;
  gunArmed_ = armed;
}

void InputAcquisition::GunTimer::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  std::lock_guard lock(owner_.gunLock_);
  owner_.gunEnabled_ = on;
  owner_.gunRestart_ = true;
}

void InputAcquisition::GunTimer::setInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  std::lock_guard lock(owner_.gunLock_);
  owner_.gunIntervalMicroseconds_ = std::max<std::int64_t>(1, milliseconds) * 1000;
  owner_.gunRestart_ = true;
}

void InputAcquisition::pulseGunValve(std::int64_t microseconds) {
  {
    std::lock_guard lock(gunLock_);
    if (!gunEnabled_ || !gunArmed_) return;
    if (std::exchange(gunRestart_, false)) {
      // A new period starts: the first switch comes one full interval later.
      nextGunSwitch_ = microseconds + gunIntervalMicroseconds_;
      return;
    }
    if (microseconds < nextGunSwitch_) return;
    nextGunSwitch_ += gunIntervalMicroseconds_;
    if (nextGunSwitch_ <= microseconds) nextGunSwitch_ = microseconds + gunIntervalMicroseconds_;
  }
  const int valve = options_.gunValveChannel;
  const int chip = CardImage::chipOf(valve);
  const std::uint16_t bit = CardImage::bitOf(valve);
  if (direction_[chip] & bit) return;  // the valve's channel is an input: nothing to switch
  active_[chip] ^= bit;
  card_.sendIoPattern(chip, active_[chip], direction_[chip]);
  // Without the thread, the image is the caller's: it follows at once.
  if (!running()) card_.takeOutputLevels(chip, active_[chip]);
}

void InputAcquisition::takePriority() {
  AcquisitionPriority got = AcquisitionPriority::Normal;
  if (options_.askRealTime) {
    rlimit limit{};
    const int highest = std::min(kWantedFifoPriority, sched_get_priority_max(SCHED_FIFO));
    int allowed = highest;
    if (geteuid() != 0 && getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      allowed = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, static_cast<rlim_t>(highest)));
    sched_param parameter{};
    parameter.sched_priority = allowed;
    if (allowed > 0 && pthread_setschedparam(pthread_self(), SCHED_FIFO, &parameter) == 0)
      got = AcquisitionPriority::Fifo;
    else if (options_.askRealtimeKit && options_.askRealtimeKit(static_cast<long>(gettid())))
      got = AcquisitionPriority::RealtimeKit;
  }
  // The memory is locked only where the system allows it all: a partial limit would make later
  // allocations of the whole program fail.
  rlimit memory{};
  bool locked = false;
  if (got != AcquisitionPriority::Normal && getrlimit(RLIMIT_MEMLOCK, &memory) == 0 &&
      memory.rlim_cur == RLIM_INFINITY)
    locked = mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
  std::lock_guard lock(countLock_);
  figures_.priority = got;
  figures_.memoryLocked = locked;
  figures_.priorityRemedy =
      got == AcquisitionPriority::Normal
          ? "priorité normale : ajouter l'utilisateur au groupe lp (limite rtprio de "
            "/etc/security/limits.d/chromaflow.conf) puis ouvrir une nouvelle session"
          : "";
}

}  // namespace chromaflow
