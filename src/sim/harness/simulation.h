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

#include "core/common/asker.h"
#include "core/control/virtual_clock.h"
#include "core/session/session.h"
#include "sim/card/simulated_k8000.h"
#include "sim/harness/replay.h"
#include "sim/machine/paint_machine.h"

namespace chromaflow::sim {

// What one alarm did during the run, kept as totals so that hours of painting take no more
// memory than a minute.
struct AlarmRecord {
  std::int64_t firstRaised = -1;  // ms when its panel first became visible, -1 never
  long long timesRaised = 0;
  long long ticksVisible = 0;
  std::int64_t msVisible = 0;        // time shown, all showings together
  std::int64_t longestShowing = 0;   // ms, the longest single showing
  std::int64_t currentShowing = 0;   // ms, the showing under way (0 when hidden)
};

// The mix at the roller is judged laid as predicted while it stays within this many points of
// proportion of the mix the plan and the hose predict there.
constexpr double kLaidMixTolerance = 1.0;

// Answers the project's file dialog with one name and cancels every other question but one:
// "Supprimer tout" in a replay is the operator's gesture as written, so its question is answered
// "Oui". Keeps the errors the session reports, for the tool to print.
class HarnessAsker : public Asker {
 public:
  std::optional<std::string> projectName;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;  // the row editors' and the picker's, as their boxes show them

  std::optional<std::string> askOpenName(DocumentKind kind, const std::string&) override { return answer(kind); }
  std::optional<std::string> askSaveName(DocumentKind kind, const std::string&) override { return answer(kind); }
  std::optional<std::string> askValue(const std::string&, const std::string&) override { return std::nullopt; }
  SaveChoice askSaveChanges(const std::string&) override { return SaveChoice::Cancel; }
  // The tool saves to the name it was given, as told.
  ChangedFileChoice askOverwriteChanged(const std::string&) override { return ChangedFileChoice::Overwrite; }
  bool confirm(const std::string&) override { return true; }
  void warn(const std::string& text) override { warnings.push_back(text); }
  void showError(const std::string& text) override { errors.push_back(text); }

 private:
  std::optional<std::string> answer(DocumentKind kind) const {
    return kind == DocumentKind::Project ? projectName : std::nullopt;
  }
};

class Simulation {
 public:
  Simulation();

  Session& session() { return session_; }
  const Session& session() const { return session_; }
  const PaintingControl& control() const { return session_.control(); }
  SimulatedK8000& card() { return card_; }
  const VirtualClock& clock() const { return clock_; }
  const PaintMachine* machine() const { return machine_.get(); }

  // As the main window's "&Ouvrir...": the project, then its colour, plan and settings files;
  // a missing sibling leaves that document new. Throws FileError.
  void openProject(const std::string& path);
  // What the last open warned the operator of, file by file, in the words of the program's
  // message after an open (openReportText); empty when the open went plainly. It is not left
  // among the warnings that a replay's first edits report.
  const std::string& openReport() const { return openReport_; }
  // Why the plan has nothing to paint (no project, its plan file missing or without a surface),
  // naming the file; nothing when it has a surface.
  std::optional<std::string> planProblem() const;
  // As "En&registrer sous...": the four files. Throws FileError.
  void saveProjectAs(const std::string& path);

  // The program's start: the main window's first activation, "Stop" checked, the gun OFF.
  void start();
  // The machine joins, then "Start" is clicked and the gun switched ON.
  void startMachine(MachineConfig config);

  // The next wall of the same job: the roller back at the start with its hose full, as the
  // operator declares with "->|<-", and the correction measured from there.
  void startNextWall();

  // Runs the clock through the next reading-cycle tick (the other timers due before it run too).
  void tick();
  // A replay line: pins and analog input 1 set, the actions done, then the tick. Refused entries
  // of the main window, error messages and the editors' warnings go to `errors`, with the line's
  // number.
  void replay(const ReplayStep& step, std::ostream& errors);

  long long ticks() const { return ticks_; }
  // The machine has painted the whole plan.
  bool machineFinished() const { return machine_ && machine_->finished(); }

  std::string traceHeader() const;
  std::string traceRow() const;  // the last tick, as the trace writes it
  const AlarmRecord& alarmRecord(Alarm alarm) const { return alarmRecords_[static_cast<int>(alarm)]; }
  // What the run did: first the figures that judge the control (the mix laid against the mix
  // predicted), then the others, then a one-line verdict.
  std::string summary() const;
  std::string verdict() const;

 private:
  void afterReadingCycle();
  void throwReportedError();

  // The card goes to the session's Lpt1 at its start; the harness keeps moving its pins.
  std::unique_ptr<SimulatedK8000> cardToPlug_ = std::make_unique<SimulatedK8000>();
  SimulatedK8000& card_ = *cardToPlug_;
  VirtualClock clock_;
  HarnessAsker asker_;
  std::int64_t startedAt_;  // the time of day the simulation was made, ms since 1970
  Session session_;
  std::vector<Subscription> wiring_;
  std::unique_ptr<PaintMachine> machine_;
  long long ticks_ = 0;
  std::int64_t lastTickAt_ = 0;
  std::optional<std::string> projectPath_;
  std::string openReport_;
  bool ticked_ = false;
  std::uint64_t daWritesAtTickStart_ = 0;
  std::optional<int> tickDa_;  // what the last tick wrote to the DA output
  std::array<bool, kAlarmCount> alarmsBefore_{};
  std::array<AlarmRecord, kAlarmCount> alarmRecords_{};
};

}  // namespace chromaflow::sim
