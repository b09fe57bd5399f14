#pragma once
// A whole run of the program's core on virtual time against the simulated card, optionally
// with the simulated paint machine moving the card's pins: what chromaflow-sim drives, and
// what tests and benchmarks use to paint a job without hardware.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "control/virtual_clock.h"
#include "sim/paint_machine.h"
#include "sim/replay.h"
#include "sim/simulated_k8000.h"

namespace chromaflow::sim {

struct AlarmEvent {
  Alarm alarm;
  std::int64_t milliseconds;  // when its panel became visible
};

class Simulation {
 public:
  Simulation();

  Session& session() { return session_; }
  PaintingControl& control() { return session_.control; }
  SimulatedK8000& card() { return card_; }
  const VirtualClock& clock() const { return clock_; }
  const PaintMachine* machine() const { return machine_.get(); }

  // As the main window's "&Ouvrir...": the project, then its colour, plan and settings files;
  // a missing sibling leaves that document new. Throws FileError.
  void openProject(const std::string& path);
  // As "En&registrer sous...": the four files. Throws FileError.
  void saveProjectAs(const std::string& path);

  // The program's start: the main window's first activation, "Stop" checked, the gun OFF.
  void start();
  // The machine joins, then "Start" is clicked and the gun switched ON.
  void startMachine(MachineConfig config);

  // Runs the clock through the next reading-cycle tick (the other timers due before it run too).
  void tick();
  // A replay line: pins and analog input 1 set, the actions done, then the tick. Messages of
  // refused entries go to `errors`.
  void replay(const ReplayStep& step, std::ostream& errors);

  long long ticks() const { return ticks_; }
  // The machine has painted the whole plan.
  bool machineFinished() const { return machine_ && machine_->finished(); }

  std::string traceHeader() const;
  std::string traceRow() const;  // the last tick, as the trace writes it
  const std::vector<AlarmEvent>& alarmEvents() const { return alarmEvents_; }
  std::string summary() const;

 private:
  void beforeTimer();
  void afterReadingCycle();

  SimulatedK8000 card_;
  VirtualClock clock_;
  VirtualTimer& refresh_;
  VirtualTimer& pulse_;
  VirtualTimer& cycle_;
  Session session_;
  std::unique_ptr<PaintMachine> machine_;
  long long ticks_ = 0;
  bool ticked_ = false;
  std::optional<int> tickDa_;
  std::array<bool, kAlarmCount> alarmsBefore_{};
  std::vector<AlarmEvent> alarmEvents_;
  std::array<long long, kAlarmCount> alarmTicks_{};  // ticks each alarm was visible
};

}  // namespace chromaflow::sim
