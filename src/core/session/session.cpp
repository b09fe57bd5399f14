#include "core/session/session.h"

#include <chrono>
#include <cmath>

#include "core/card/machine_wiring.h"
#include "core/common/display_forms.h"
#include "core/session/language_table.h"
#include "core/session/session_operation.h"

namespace chromaflow {
namespace {

std::int64_t systemTimeOfDay() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

const char* pumpLitresCaption(Pump pump) {
  return pump == Pump::P1 ? "Consommation pompe P1 (litres)" : "Consommation pompe P2 (litres)";
}

}  // namespace

Session::Session(SessionSetup setup)
    : asker_(setup.asker),
      ports_(std::move(setup.openPort)),
      bus_(static_cast<PortSet&>(ports_)),
      card_(bus_),
      testPanel_(card_, [this](ParallelPortKind kind) { return ports_.summary(kind); }),
      // Made in this order, they tick in this order when due together.
      refreshTimer_(setup.timers.makeTimer(200, true, [this] { control_.refreshTick(); })),
      pulseTimer_(setup.timers.makeTimer(25, false, [this] {
        operation([this] {
          const bool before = control_.main().PulseSimuRoul;
          control_.pulseTick();
          if (control_.main().PulseSimuRoul != before) note(Changed::Figures | Changed::CardImage);
        });
      })),
      cycleTimer_(setup.timers.makeTimer(20, true, [this] { readingCycleTick(); })),
      // The running-light test steps as fast as the timer goes, the operator's input between.
      runningLightTimer_(setup.timers.makeTimer(1, false, [this] { testAction([this] { testPanel_.step(); }); })),
      acquisition_(setup.acquisition ? std::make_unique<InputAcquisition>(card_, *setup.acquisition) : nullptr),
      // Live, the gun valve is pulsed by the acquisition thread, whatever the window does.
      control_(card_, documents_.settings, documents_.plan, documents_.colours,
               {cycleTimer_, acquisition_ ? acquisition_->gunPulseTimer() : pulseTimer_, refreshTimer_}),
      jobs_(setup.timeOfDay ? std::move(setup.timeOfDay) : systemTimeOfDay) {
  documents_.project.holdOpen(setup.holdProjectsOpen);
  if (acquisition_) {
    card_.setBusOwner(acquisition_.get());
    control_.takeInputsFrom(acquisition_.get());
    acquisition_->start();
  }
  wiring_.push_back(card_.refreshed.subscribe([this] {
    // A tick refreshes the test window every time: the controls follow, and are heard, only
    // when the image moved (see readingCycleTick).
    if (inTick_) return;
    testPanel_.RefreshTestWindow();
    note(Changed::CardImage);
  }));
  wiring_.push_back(documents_.viewsChanged.subscribe([this] { redrawViews(); }));
  wiring_.push_back(control_.surfaceViewRedrawn.subscribe(
      [this] { note(Changed::SurfaceView | Changed::Figures | Changed::Alarms); }));
  wiring_.push_back(control_.proportionViewsRedrawn.subscribe(
      [this] { note(Changed::ProportionViews | Changed::Figures | Changed::Alarms); }));
  wiring_.push_back(documents_.settings.mirrorsChanged.subscribe(
      [this] { note(Changed::Settings | Changed::Figures); }));
  wiring_.push_back(documents_.plan.hoseStateSelected.subscribe(
      [this](HoseState) { note(Changed::HoseConditions | Changed::Figures); }));
}

Session::~Session() {
  // The program quits: the job ends with it.
  jobs_.end(record_, verdictTolerance_, [this] { return jobDescription(); });
  // The thread lets go of the bus before the card and the ports go.
  if (acquisition_) {
    acquisition_->stop();
    card_.setBusOwner(nullptr);
  }
}

void Session::finish() {
  if (--depth_ > 0 || pending_.empty()) return;
  // An edit, or a save, that changed whether the job differs from its files changes the
  // main window's caption.
  if (const bool modified = documents_.project.modified(); modified != shownModified_) {
    shownModified_ = modified;
    note(Changed::DocumentNames);
  }
  const Change change = std::exchange(pending_, Change{});
  changed.emit(change);
}

void Session::readingCycleTick() {
  operation([this] {
    tickStarting.emit();
    const MainWindowFigures main = control_.main();
    const CorrectionFigures correction = control_.correction();
    const CardImage image = card_.image();
    inTick_ = true;
    control_.readingCycleTick();
    inTick_ = false;
    if (!(control_.main() == main) || !(control_.correction() == correction)) note(Changed::Figures);
    if (control_.correction().alarms != correction.alarms) note(Changed::Alarms);
    if (!(card_.image() == image)) {
      testPanel_.RefreshTestWindow();
      note(Changed::CardImage);
    }
    // The status line tells the pulses lost as soon as one more is.
    if (const auto lost = pulsesLost(); lost && lost != shownPulsesLost_) {
      shownPulsesLost_ = lost;
      note(Changed::Port);
    }
    followJobRecord();
    ticked.emit();
  });
}

std::optional<std::uint64_t> Session::pulsesLost() const {
  if (!acquisition_) return std::nullopt;
  const AcquisitionFigures figures = acquisition_->figures();
  if (!figures.lossKnown) return std::nullopt;
  const MachineWiring& wiring = kMachineWiring;
  return figures.pulsesLost[wiring.roller] + figures.pulsesLost[wiring.pumpP1] + figures.pulsesLost[wiring.pumpP2];
}

JobTick Session::jobTick() const {
  const MainWindowFigures& main = control_.main();
  const PaintingState& state = control_.state();
  JobTick tick;
  tick.milliseconds = runMilliseconds_;
  tick.distance = state.Distance;
  tick.anticipatedDistance = state.AnticipatedDistance;
  tick.pulsesP1 = counterValue(main.TrP1);
  tick.pulsesP2 = counterValue(main.TrP2);
  tick.pulsesPerLitreP1 = static_cast<int>(counterValue(main.P1trl));
  tick.pulsesPerLitreP2 = static_cast<int>(counterValue(main.P2trl));
  tick.correction = value32(main.Correction);
  tick.ledMix = documents_.plan.leadsTheMix();
  tick.alarms = control_.correction().alarms;
  tick.pulsesLost = pulsesLost();
  return tick;
}

JobVerdict Session::jobVerdict() const {
  return judgeJob(record_, verdictTolerance_);
}

void Session::setVerdictTolerance(double points) {
  if (!(points > 0) || !std::isfinite(points) || points == verdictTolerance_) return;
  operation([&] {
    verdictTolerance_ = points;
    note(Changed::Verdict);
  });
}

void Session::followJobRecord() {
  runMilliseconds_ += cycleTimer_.interval();
  const PathModel& path = control_.path();
  // An edit that moved a surface end or a proportion row makes another job: its record starts.
  bool sameJob = record_.started() && documents_.plan.revision() == recordedPlanRevision_;
  if (record_.started() && !sameJob) sameJob = record_.cutFor(path);
  recordedPlanRevision_ = documents_.plan.revision();
  if (sameJob) {
    record_.record(jobTick(), path);
  } else {
    jobs_.end(record_, verdictTolerance_, [this] { return jobDescription(); });
    runMilliseconds_ = 0;
    record_.restart(path, jobTick());
    jobs_.recordRestarted();
  }
  const bool wasRunning = jobs_.running();
  jobs_.follow(record_, verdictTolerance_, [this] { return jobDescription(); });
  if (jobs_.running() != wasRunning) note(Changed::Job);
}

void Session::restartRecord() {
  runMilliseconds_ = 0;
  recordedPlanRevision_ = documents_.plan.revision();
  record_.restart(control_.path(), jobTick());
  jobs_.recordRestarted();
}

void Session::setJobHistory(JobHistory* history) {
  operation([&] {
    const bool moving = jobs_.running() && history;
    jobs_.end(record_, verdictTolerance_, [this] { return jobDescription(); });
    jobs_.setHistory(history);
    // Moved to another history while painting: the job there holds what is painted from now on,
    // not what the one just ended holds.
    if (moving) restartRecord();
    note(moving ? Changed::Job | Changed::Figures : Changed::Job);
  });
}

JobDescription Session::jobDescription() const { return openingFrom_ ? *openingFrom_ : describeJob(); }

void Session::finishJob() {
  if (!jobs_.running()) return;
  operation([this] { putJobAway(jobDescription()); });
}

void Session::putJobAway(const JobDescription& description) {
  if (!jobs_.running()) return;
  jobs_.end(record_, verdictTolerance_, [&] { return description; });
  restartRecord();
  note(Changed::Job | Changed::Figures);
}

JobDescription Session::describeJob() const {
  const Project& project = documents_.project;
  JobDescription job;
  job.projectPath = project.name().current();
  job.projectName = project.name().shownName();
  job.userText = project.userText().empty() ? std::string() : project.userText().front();
  const std::string settingsPath = documents_.settings.name().current();
  for (const std::string& line : documents_.settings.fileLines(settingsPath)) job.settingsText += line + "\r\n";
  // The card on the port in use, unless what paints said otherwise (the simulated machine).
  job.backend = jobBackend_.empty() ? "carte K8000 : " + portSummary(selectedPort()) : jobBackend_;
  return job;
}

void Session::redrawViews() {
  control_.RedrawSurfaceView();
  control_.RedrawProportionViews();
}

void Session::redrawProportionViews() { control_.RedrawProportionViews(); }

// --- The program and its main window.

void Session::activateMainWindow() {
  operation([this] {
    control_.activateMainWindow();
    note(Changed::Figures | Changed::CardImage);
    if (!probe_) {
      // At start the program finds out whether a card answers, instead of running blind.
      probe_ = card_.ProbeCard();
      note(Changed::Port);
    }
  });
}

void Session::setViewMetrics(const ViewMetrics& view) {
  operation([&] {
    control_.setViewMetrics(view);
    note(Changed::SurfaceView | Changed::ProportionViews | Changed::Figures);
  });
}

void Session::applyLanguage(int n) {
  if (n < 1 || n > 4) return;
  operation([&] {
    language_ = n;
    note(Changed::Language);
  });
}

void Session::selectParallelPort(ParallelPortKind kind) {
  operation([&] {
    card_.onBus([&] {
      bus_.SelectParallelPort(kind);
      ports_.open(kind);  // the port's own access (hardware, or why not) from now on
    });
    note(Changed::Port);
  });
}

void Session::setRunning(bool start) {
  operation([&] {
    control_.setRunning(start);
    note(Changed::Figures);
  });
}

void Session::toggleGun() {
  operation([this] {
    control_.toggleGun();
    if (acquisition_) acquisition_->armGunValve(control_.state().GunOn);
    note(Changed::Figures | Changed::CardImage);
  });
}

void Session::switchGunValve(bool on) {
  operation([&] {
    control_.switchGunValve(on);
    note(Changed::Figures | Changed::CardImage);
  });
}

void Session::hoseEmptyButton() {
  operation([this] {
    control_.hoseEmptyButton();
    note(Changed::Figures);
  });
}

void Session::hoseFullButton() {
  operation([this] {
    control_.hoseFullButton();
    // A new run from the start of the path: a new record, and the job of the last one ends.
    jobs_.end(record_, verdictTolerance_, [this] { return jobDescription(); });
    restartRecord();
    note(Changed::Job);
    note(Changed::Figures | Changed::Alarms);
  });
}

void Session::rollerButton() {
  // The button is enabled only once a roller count exists.
  if (!control_.main().ButtonRoulEnabled) return;
  operation([this] {
    control_.rollerButton();
    control_.DosingUpdate();
    note(Changed::Figures | Changed::Settings);
  });
}

void Session::clickPumpLitres(Pump pump) {
  const MainWindowFigures& main = control_.main();
  // With no pulse counted on the pump there is no rate to derive: the dialog is not shown.
  if (!control_.canEnterPumpLitres(pump) || !asker_) return;
  const auto typed = asker_->askValue(pumpLitresCaption(pump), pump == Pump::P1 ? main.LitresP1 : main.LitresP2);
  if (typed) enterPumpLitres(pump, *typed);
}

EntryOutcome Session::enterPumpLitres(Pump pump, const std::string& typed) {
  return operation([&] {
    EntryOutcome outcome = control_.enterPumpLitres(pump, typed);
    if (!outcome.refused()) note(Changed::Figures | Changed::Settings);
    if (outcome.failed() && asker_) asker_->showError(outcome.error);
    return outcome;
  });
}

void Session::clickDistance() {
  if (!asker_) return;
  const auto typed = asker_->askValue("Distance parcourue (m)", control_.main().Distance);
  if (typed) enterDistance(*typed);
}

EntryOutcome Session::enterDistance(const std::string& typed) {
  return operation([&] {
    EntryOutcome outcome = control_.enterDistance(typed);
    if (!outcome.refused()) note(Changed::Figures | Changed::Alarms);
    return outcome;
  });
}

void Session::dragTravelled(int x) {
  operation([&] {
    control_.dragTravelled(x);
    note(Changed::Figures | Changed::Alarms);
  });
}

void Session::dragHose(int x) {
  operation([&] {
    control_.dragHose(x);
    note(Changed::Figures);
  });
}

// --- Correction window.

void Session::resetCorrection() {
  operation([this] {
    control_.ResetCorrection();
    note(Changed::Figures | Changed::Alarms);
  });
}

void Session::clickCorrectionParameter(CorrectionParameter parameter) {
  if (!asker_) return;
  const auto typed = asker_->askValue(parameterPrompt(parameter), control_.correctionParameterText(parameter));
  if (typed) enterCorrectionParameter(parameter, *typed);
}

EntryOutcome Session::enterCorrectionParameter(CorrectionParameter parameter, const std::string& typed) {
  return operation([&] {
    EntryOutcome outcome = control_.enterCorrectionParameter(parameter, typed);
    if (!outcome.refused()) note(Changed::Figures);
    return outcome;
  });
}

// --- Card test window.

void Session::setTestWindowOpen(bool open) {
  operation([&] {
    control_.setTestWindowOpen(open);
    note(Changed::Figures);
  });
}

void Session::setCycleInterval(int milliseconds) { control_.setCycleInterval(milliseconds); }

template <typename Action>
void Session::testAction(Action&& action) {
  operation([&] {
    action();
    testPanel_.RefreshTestWindow();
    note(Changed::CardImage);
  });
}

void Session::testChannelBox(int channel, bool checked) { testAction([&] { testPanel_.CBClick(channel, checked); }); }
void Session::testMakeInput(int channel) { testAction([&] { testPanel_.InClick(channel); }); }
void Session::testMakeOutput(int channel) { testAction([&] { testPanel_.OnClick(channel); }); }
void Session::testScrollDac(int channel, int position) {
  testAction([&] { testPanel_.ScrollBarDACChange(channel, position); });
}
void Session::testScrollDa(int position) { testAction([&] { testPanel_.ScrollBarDAChange(position); }); }
void Session::testReadInputs() { testAction([this] { testPanel_.Button1Click(); }); }
void Session::testSetOutputs() { testAction([this] { testPanel_.ButtonSetOutputClick(); }); }
void Session::testClearOutputs() { testAction([this] { testPanel_.ButtonClearOutputClick(); }); }

void Session::testInit() {
  testAction([this] {
    probe_ = testPanel_.Button2Click();
    note(Changed::Port);
  });
}

void Session::testCycleChanged(int value) {
  if (const auto interval = testPanel_.SpinEditCycleChange(value)) control_.setCycleInterval(*interval);
}

void Session::testCardEnabled(bool checked) { testAction([&] { testPanel_.CBActivCarteClick(checked); }); }

void Session::testRunningLight(bool checked) {
  testAction([&] {
    testPanel_.CBtestOutputClick(checked);
    runningLightTimer_.setEnabled(testPanel_.runningLight());
  });
}

}  // namespace chromaflow
