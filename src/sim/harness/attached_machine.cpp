#include "sim/harness/attached_machine.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "sim/harness/job_of_documents.h"

namespace chromaflow::sim {
namespace {

// Two figures read from the same texts are the same, also when neither is a number.
bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool sameConstants(const MachineConstants& a, const MachineConstants& b) {
  return same(a.p1PulsesPerLitre, b.p1PulsesPerLitre) && same(a.p2PulsesPerLitre, b.p2PulsesPerLitre) &&
         same(a.litresPerSquareMetre, b.litresPerSquareMetre) && same(a.hoseLitres, b.hoseLitres) &&
         same(a.dilutionLitres, b.dilutionLitres) &&
         same(a.dryRollerPulsesPerSquareMetre, b.dryRollerPulsesPerSquareMetre) &&
         same(a.stallFlowPerSquareMetre, b.stallFlowPerSquareMetre) &&
         same(a.outputAtZeroPercent, b.outputAtZeroPercent) && same(a.outputSpanPercent, b.outputSpanPercent) &&
         same(a.sensorLowBar, b.sensorLowBar) && same(a.sensorHighBar, b.sensorHighBar);
}

bool sameJob(const MachineJob& a, const MachineJob& b) {
  if (a.wall.size() != b.wall.size() || a.plan.size() != b.plan.size()) return false;
  for (std::size_t i = 0; i < a.wall.size(); ++i)
    if (!same(a.wall[i].height, b.wall[i].height) || !same(a.wall[i].length, b.wall[i].length)) return false;
  for (std::size_t i = 0; i < a.plan.size(); ++i)
    if (!same(a.plan[i].distance, b.plan[i].distance) || !same(a.plan[i].proportion, b.plan[i].proportion))
      return false;
  return sameConstants(a.machine, b.machine);
}

bool sameConfig(const MachineConfig& a, const MachineConfig& b) {
  const auto sameRate = [](const std::optional<double>& x, const std::optional<double>& y) {
    return x.has_value() == y.has_value() && (!x || same(*x, *y));
  };
  if (!same(a.speedMetresPerMinute, b.speedMetresPerMinute) || !sameRate(a.p1PulsesPerLitre, b.p1PulsesPerLitre) ||
      !sameRate(a.p2PulsesPerLitre, b.p2PulsesPerLitre) || !same(a.barPerValvePulse, b.barPerValvePulse) ||
      !same(a.pressureTimeConstant, b.pressureTimeConstant) || a.faults.size() != b.faults.size())
    return false;
  for (std::size_t i = 0; i < a.faults.size(); ++i)
    if (a.faults[i].target != b.faults[i].target || !same(a.faults[i].factor, b.faults[i].factor) ||
        !same(a.faults[i].fromSeconds, b.faults[i].fromSeconds))
      return false;
  return true;
}

}  // namespace

AttachedMachine::AttachedMachine(Session& session, SimulatedK8000& card, std::function<std::int64_t()> nowMilliseconds)
    : session_(session), card_(card), now_(std::move(nowMilliseconds)), configSetAt_(now_()) {
  session_.setJobBackend(machineBackendText(config_));
  wiring_.push_back(session_.changed.subscribe([this](const Change& change) {
    // Only noted here: the machine is set up again at the next tick, never in the middle of the
    // operation that changed the documents.
    if (change.has(Changed::SurfaceRows) || change.has(Changed::ProportionRows) || change.has(Changed::Settings) ||
        change.has(Changed::HoseConditions))
      documentsChanged_ = true;
  }));
  wiring_.push_back(session_.tickStarting.subscribe([this] { beforeTick(); }));
  live_ = session_.acquisition();
  if (live_ && live_->running())
    live_->runOwned([this] {
      // The pulses the machine really made on the card's pins: those the thread missed show.
      live_->setPulsesMade([this] {
        std::array<std::uint64_t, kDigitalChannels + 1> made{};
        for (int channel = 1; channel <= kDigitalChannels; ++channel) made[channel] = card_.changesFromOutside(channel);
        return made;
      });
      live_->setBeforeSample([this](std::int64_t) {
        try {
          advance(now_(), painting_);
        } catch (...) {
          standStill();
        }
      });
    });
  else
    live_ = nullptr;
}

AttachedMachine::~AttachedMachine() {
  session_.setJobBackend({});
  if (live_)
    live_->runOwned([this] {
      live_->setBeforeSample(nullptr);
      live_->setPulsesMade(nullptr);
    });
}

void AttachedMachine::setConfig(MachineConfig config) {
  if (sameConfig(config, config_)) return;
  config_ = std::move(config);
  session_.setJobBackend(machineBackendText(config_));
  configSetAt_ = now_();
  configChanged_ = true;
}

void AttachedMachine::rollerBackAtStart() {
  const auto backAtStart = [this] {
    if (machine_) machine_->startNewWall();
    machineFinished_ = machine_ && machine_->finished();
  };
  onMachineThread(backAtStart);
}

bool AttachedMachine::countedAtPlanEnd() const {
  const std::vector<float>& ends = session_.path().tables().CL;
  return !ends.empty() && session_.state().Distance >= ends.back();
}

bool AttachedMachine::atPathEnd() const { return machineFinished_ || countedAtPlanEnd(); }

void AttachedMachine::beforeTick() {
  std::int64_t now = 0;
  try {
    now = now_();
  } catch (...) {
    // No clock to move by: the machine stands still, the reading cycle goes on.
    onMachineThread([this] { standStill(); });
    return;
  }
  // The new machine is built here, on the window's thread, and only handed over on the thread
  // it moves on: a wall of many rows takes long to build, and the acquisition must not miss a
  // pulse meanwhile. The machine it replaces is let go here too, once handed back.
  if (std::optional<std::unique_ptr<PaintMachine>> next = machineDue(now)) {
    // Its time starts once it is built: started at the tick, it would make the pulses of the
    // building's time all at once at its first move, faster than any sampling sees them.
    std::int64_t builtAt = now;
    try {
      builtAt = std::max(now, now_());
    } catch (...) {
    }
    // The faults keep counting from when they were set, the building's time included.
    if (*next) (*next)->bringFaultsForward(static_cast<double>(builtAt - now) / 1000);
    onMachineThread([&] {
      std::swap(machine_, *next);
      builtAt_ = builtAt;
      machineFinished_ = machine_ && machine_->finished();
    });
  }
  // Once the count reaches the plan's end the roller stops there, as the operator sees it.
  const bool painting = session_.state().Running && !countedAtPlanEnd();
  if (!live_) {
    advance(now, painting);
    return;
  }
  painting_ = painting;
}

void AttachedMachine::onMachineThread(const std::function<void()>& operation) {
  if (live_)
    live_->runOwned(operation);
  else
    operation();
}

void AttachedMachine::advance(std::int64_t now, bool painting) {
  // The reading cycle goes on whatever happens to the simulated machine: a machine that cannot
  // be set up or moved stands still, and the card's pins stay as they are.
  try {
    if (machine_) machine_->advanceTo(now - builtAt_, painting);
    machineFinished_ = machine_ && machine_->finished();
  } catch (...) {
    standStill();
  }
}

void AttachedMachine::standStill() {
  machine_.reset();
  machineFinished_ = false;
  stoodStill_ = true;
}

std::optional<std::unique_ptr<PaintMachine>> AttachedMachine::machineDue(std::int64_t now) try {
  if (!documentsChanged_ && !configChanged_) return std::nullopt;
  const bool configChanged = std::exchange(configChanged_, false);
  documentsChanged_ = false;
  // A machine that stood still is built again even for the same job.
  if (stoodStill_.exchange(false)) job_.reset();
  if (session_.plan().surfaceCount() == 0) {
    // No surface, no wall to paint.
    job_.reset();
    return std::unique_ptr<PaintMachine>();
  }
  MachineJob job = machineJobOf(session_.plan(), session_.settings());
  if (!configChanged && job_ && sameJob(job, *job_)) return std::nullopt;

  // The machine's own time starts now; the faults keep counting from when they were set, so
  // one set before the machine was (re)built may already be under way.
  MachineConfig config = config_;
  const double setBeforeBuilt = static_cast<double>(now - configSetAt_) / 1000;
  for (MachineFault& fault : config.faults) fault.fromSeconds -= setBeforeBuilt;
  job_ = job;
  return std::make_unique<PaintMachine>(card_, std::move(job), std::move(config));
} catch (...) {
  job_.reset();
  return std::unique_ptr<PaintMachine>();
}

}  // namespace chromaflow::sim
