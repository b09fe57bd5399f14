#pragma once
// The simulated paint machine wired to the simulated card the session drives, for the desktop
// program: before every reading-cycle tick it moves the machine to the present time, the roller
// and pumps running only while "Start" is checked.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/common/signal.h"
#include "core/session/session.h"
#include "sim/card/simulated_k8000.h"
#include "sim/machine/machine_job.h"
#include "sim/machine/paint_machine.h"

namespace chromaflow::sim {

// The machine is set up from the session's plan and settings at the first tick that has a wall
// to paint, with the roller at the start of the wall and its hose empty. It is set up again, the
// same way, at the tick after the wall, the plan's proportions or the machine's constants in the
// settings really changed, or after a new speed or fault list: a gesture that leaves all of them
// as they were (a window shown, the hose state chosen) leaves the roller where it is. Without a
// surface there is no wall and no machine; the card's pins then stay as the machine left them.
// While the session runs live, the machine moves with the wall clock on the acquisition thread,
// before each of its samplings, whatever the window's thread does; it is built, as above, at the
// reading cycle's ticks on the window's thread and handed over to the acquisition thread in one
// swap, so that a wall of many rows never holds up the counting of pulses.
class AttachedMachine {
 public:
  // `nowMilliseconds`: the program's clock (wall time in the program, a virtual clock in tests).
  AttachedMachine(Session& session, SimulatedK8000& card, std::function<std::int64_t()> nowMilliseconds);
  ~AttachedMachine();
  AttachedMachine(const AttachedMachine&) = delete;
  AttachedMachine& operator=(const AttachedMachine&) = delete;

  const MachineConfig& config() const { return config_; }
  // Speed and faults; a fault's time counts from when it is set. The machine takes them at the
  // next tick, set up again from the start of the wall; the same configuration changes nothing.
  void setConfig(MachineConfig config);

  // "->|<-": the operator has put the roller back at the start of the wall, hose full.
  void rollerBackAtStart();

  // The roller has come to the end of the path and stands there, its pumps stopped: the
  // machine has painted its whole wall, or the program counts it at the plan's end. The two
  // part when the machine was set up again from the start of the wall while the count went on,
  // or the operator set the distance; the roller stops at whichever end comes first, as the
  // headless run does. Pulses a real card gives past the end are still counted: only the
  // simulated roller is stopped. Read on the window's thread.
  bool atPathEnd() const;

  // Nothing before the first tick with something to paint. While live, read it only from an
  // operation run on the acquisition thread.
  const PaintMachine* machine() const { return machine_.get(); }

 private:
  void beforeTick();
  // The machine to put in place when the documents or the configuration changed its job (null:
  // none, no wall to paint); nothing when the machine in place stays. On the window's thread.
  std::optional<std::unique_ptr<PaintMachine>> machineDue(std::int64_t now);
  // Runs on the thread the machine moves on: the acquisition's while live, else this one.
  void onMachineThread(const std::function<void()>& operation);
  void advance(std::int64_t now, bool painting);
  void standStill();  // no machine until the documents or the configuration change
  bool countedAtPlanEnd() const;  // the session's distance at or past the plan's end

  Session& session_;
  SimulatedK8000& card_;
  std::function<std::int64_t()> now_;
  MachineConfig config_;
  std::int64_t configSetAt_;        // program clock, ms
  bool configChanged_ = false;      // a new configuration waits for the next tick
  bool documentsChanged_ = true;    // the plan or the settings may have changed since the last tick
  std::optional<MachineJob> job_;   // what the machine was set up from (window's thread)
  std::unique_ptr<PaintMachine> machine_;  // on the thread the machine moves on
  std::atomic<bool> stoodStill_ = false;   // the machine was dropped there since it was built
  std::int64_t builtAt_ = 0;        // program clock when the machine's own time was 0
  InputAcquisition* live_ = nullptr;  // the thread the machine moves on, while there is one
  std::atomic<bool> painting_ = false;  // "Start", as the last tick saw it, short of the plan's end
  std::atomic<bool> machineFinished_ = false;  // the machine has painted its whole wall
  std::vector<Subscription> wiring_;
};

}  // namespace chromaflow::sim
