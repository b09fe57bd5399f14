#include "sim/harness/simulation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <ostream>
#include <stdexcept>

#include "core/common/document_name.h"
#include "core/common/entry_rule.h"
#include "core/common/text_file.h"
#include "sim/harness/job_of_documents.h"
#include "sim/harness/operator_edits.h"

namespace chromaflow::sim {
namespace {

std::string real(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", v);
  return buffer;
}

std::string seconds(std::int64_t milliseconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f s", static_cast<double>(milliseconds) / 1000);
  return buffer;
}

// Every length, area, volume and deviation of the summary with two decimals.
std::string fixed2(double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.2f", v);
  return buffer;
}

// "Alarme: P1 trop lente" without its "Alarme: ".
std::string alarmWithoutPrefix(Alarm alarm) {
  const std::string caption = alarmCaption(alarm);
  const std::string prefix = "Alarme: ";
  return caption.rfind(prefix, 0) == 0 ? caption.substr(prefix.size()) : caption;
}

}  // namespace

Simulation::Simulation()
    : startedAt_(std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count()),
      session_({clock_,
                [this](ParallelPortKind kind) {
                  // The simulated card on Lpt1; nothing attached to the other ports.
                  PortChoice choice;
                  if (kind != ParallelPortKind::Lpt1 || !cardToPlug_) return choice;
                  choice.port = std::move(cardToPlug_);
                  choice.backend = PortBackend::Simulated;
                  choice.device = "Carte K8000 simulée";
                  return choice;
                },
                &asker_,
                {},
                // Job times run with the simulated clock, from when the simulation was made.
                [this] { return startedAt_ + clock_.now(); }}) {
  wiring_.push_back(clock_.beforeTick.subscribe([this] {
    if (machine_) machine_->advanceTo(clock_.now(), session_.state().Running);
  }));
  wiring_.push_back(session_.tickStarting.subscribe([this] { daWritesAtTickStart_ = card_.daWrites(); }));
  wiring_.push_back(session_.ticked.subscribe([this] { afterReadingCycle(); }));
}

void Simulation::throwReportedError() {
  if (asker_.errors.empty()) return;
  const std::string error = asker_.errors.front();
  asker_.errors.clear();
  throw FileError(error);
}

void Simulation::openProject(const std::string& path) {
  projectPath_ = path;
  openReport_.clear();
  asker_.warnings.clear();
  session_.openProjectFile(path);
  // The session warns once after an open; the window shows it in a message box.
  for (const std::string& warning : asker_.warnings) openReport_ += (openReport_.empty() ? "" : "\n") + warning;
  asker_.warnings.clear();
  throwReportedError();
}

std::optional<std::string> Simulation::planProblem() const {
  if (session_.plan().surfaceCount() > 0) return std::nullopt;
  if (!projectPath_) return "aucun projet n'est ouvert, le plan est vide";
  // What the open met with the plan's file (missing, unreadable, cut off) says it best.
  for (const DocumentNote& note : session_.project().lastOpenNotes())
    if (note.kind == DocumentKind::Plan) return "le plan " + note.path + " du projet " + *projectPath_ + " : " + note.what;
  const std::string planFile = withExtension(*projectPath_, ".spv");
  if (!fileExists(planFile)) return "le plan " + planFile + " du projet " + *projectPath_ + " est introuvable";
  return "le plan " + planFile + " du projet " + *projectPath_ + " n'a aucune surface";
}

void Simulation::saveProjectAs(const std::string& path) {
  asker_.projectName = path;
  session_.saveProject(true);
  throwReportedError();
}

void Simulation::start() { session_.activateMainWindow(); }

void Simulation::startMachine(MachineConfig config) {
  session_.setJobBackend(machineBackendText(config));
  machine_ =
      std::make_unique<PaintMachine>(card_, machineJobOf(session_.plan(), session_.settings()), std::move(config));
  session_.setRunning(true);
  session_.toggleGun();
}

void Simulation::startNextWall() {
  if (machine_) machine_->startNewWall();
  session_.hoseFullButton();
}

void Simulation::afterReadingCycle() {
  ++ticks_;
  ticked_ = true;
  tickDa_ = card_.daWrites() != daWritesAtTickStart_ ? std::optional<int>(card_.daOutput()) : std::nullopt;
  const std::int64_t sinceLastTick = clock_.now() - lastTickAt_;
  lastTickAt_ = clock_.now();
  const auto& alarms = control().correction().alarms;
  for (int a = 0; a < kAlarmCount; ++a) {
    AlarmRecord& record = alarmRecords_[a];
    if (alarms[a] && !alarmsBefore_[a]) {
      if (record.timesRaised++ == 0) record.firstRaised = clock_.now();
    }
    if (alarms[a]) {
      // A panel shown at this tick counts as shown since the tick before.
      ++record.ticksVisible;
      record.msVisible += sinceLastTick;
      record.currentShowing += sinceLastTick;
      record.longestShowing = std::max(record.longestShowing, record.currentShowing);
    } else {
      record.currentShowing = 0;
    }
    alarmsBefore_[a] = alarms[a];
  }
}

void Simulation::tick() {
  ticked_ = false;
  // Every timer due before the reading cycle's next tick runs first, in its order.
  while (!ticked_ && clock_.step(std::numeric_limits<std::int64_t>::max())) {
  }
}

void Simulation::replay(const ReplayStep& step, std::ostream& errors) {
  card_.setPulledLowMask(step.pulledLow);
  card_.setAnalogInput(kMachineWiring.pressureSensor, step.analogInput);
  for (int input = 1; input <= kAnalogInputs; ++input)
    if (input != kMachineWiring.pressureSensor) card_.setAnalogInput(input, 0);
  Session& s = session_;
  using K = ReplayAction::Kind;
  const std::string where = "ligne " + std::to_string(step.line) + " : ";
  for (const ReplayAction& action : step.actions) {
    if (auto problem = problemWith(action)) {
      errors << where << *problem << "\n";
      continue;
    }
    std::optional<EntryOutcome> entry;
    switch (action.kind) {
      case K::Activate: s.activateMainWindow(); break;
      case K::Start: s.setRunning(true); break;
      case K::Stop: s.setRunning(false); break;
      case K::Gun: s.toggleGun(); break;
      case K::Reset: s.resetCorrection(); break;
      case K::HoseFull: s.hoseFullButton(); break;
      case K::HoseEmpty: s.hoseEmptyButton(); break;
      case K::Distance: entry = s.enterDistance(action.values.at(0)); break;
      case K::P1Litres: entry = s.enterPumpLitres(Pump::P1, action.values.at(0)); break;
      case K::P2Litres: entry = s.enterPumpLitres(Pump::P2, action.values.at(0)); break;
      case K::Roller: s.rollerButton(); break;
      default:
        if (auto problem = makeOperatorEdit(s, action)) asker_.errors.push_back(*problem);
        break;
    }
    // The operator's dialog ignores such an entry without a word; a replay says so.
    if (entry && entry->refused()) {
      float typed = 0;
      const std::string& value = action.values.at(0);
      const bool number = readEntryValue(value, typed) && typed >= 0;
      errors << where << actionText(action) << " refusée : "
             << (number ? "aucune impulsion n'est encore comptée sur cette pompe"
                        : "« " + value + " » n'est pas un nombre d'au moins 0")
             << "\n";
    }
    for (const std::string& warning : asker_.warnings)
      errors << "line " << step.line << ": warning: " << warning << "\n";
    for (const std::string& error : asker_.errors) errors << where << actionText(action) << " : " << error << "\n";
    asker_.warnings.clear();
    asker_.errors.clear();
  }
  tick();
}

std::string Simulation::traceHeader() const {
  std::string header =
      "tick,t_ms,Distance,PaintedArea,HoseFill,AnticipatedDistance,Gauge,DA,Correction,TrRoul,TrP1,TrP2,"
      "LitresP1,LitresP2,P1lEffect,P2lEffect,P1P2lEffect,LReste,SReste,P1lReste,P2lReste,PulseM2_,LCapteur,"
      "LHz,PulseInterval,Out9,Alarms,P1lTot,P2lTot,P1P2ltot";
  if (machine_) header += ",TrueDistance,LaidProportion,TrueLitresP1,TrueLitresP2";
  return header;
}

std::string Simulation::traceRow() const {
  const PaintingState& s = session_.state();
  const MainWindowFigures& m = session_.main();
  const Timer& pulse = session_.control().gunPulseTimer();
  std::string alarms;
  for (bool raised : session_.correction().alarms) alarms += raised ? '1' : '0';
  const std::string cells[] = {
      std::to_string(ticks_ - 1), std::to_string(clock_.now()), real(s.Distance), real(s.PaintedArea),
      real(s.HoseFill), real(s.AnticipatedDistance), std::to_string(m.GaugeConsigne),
      tickDa_ ? std::to_string(*tickDa_) : "", m.Correction, m.TrRoul, m.TrP1, m.TrP2, m.LitresP1, m.LitresP2,
      m.P1lEffect, m.P2lEffect, m.P1P2lEffect, m.LReste, m.SReste, m.P1lReste, m.P2lReste, m.PulseM2_,
      m.LCapteur, m.LHz, std::to_string(pulse.isEnabled() ? pulse.interval() : 0),
      card_.drivenLow(kMachineWiring.gunValve) ? "1" : "0", alarms, m.P1lTot, m.P2lTot, m.P1P2ltot};
  std::string row;
  for (const std::string& cell : cells) row += (row.empty() ? "" : ",") + cell;
  if (machine_)
    row += "," + real(machine_->trueDistance()) + "," + real(machine_->laidProportion()) + "," +
           real(machine_->litresP1()) + "," + real(machine_->litresP2());
  return row;
}

std::string Simulation::summary() const {
  const PaintingState& s = session_.state();
  const MainWindowFigures& m = session_.main();
  std::string text;
  auto line = [&text](const std::string& heading, const std::string& figures) {
    std::string padded = heading;
    // The headings are aligned on their characters, not their bytes.
    const auto characters = [](const std::string& t) {
      return std::count_if(t.begin(), t.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    };
    while (characters(padded) < 22) padded += ' ';
    text += padded + ": " + figures + "\n";
  };
  if (machine_) {
    line("Mélange posé / prévu", "écart moyen " + fixed2(machine_->meanControlDeviation()) + ", plus grand " +
                                     fixed2(machine_->largestControlDeviation()) + " points");
    line("Mélange posé / plan", "écart moyen " + fixed2(machine_->meanDeviation()) + ", plus grand " +
                                    fixed2(machine_->largestDeviation()) + " points");
  }
  line("Correction", m.Correction + " %");
  line("Durée simulée", seconds(clock_.now()));
  if (machine_) {
    line("Surface peinte", fixed2(machine_->trueArea()) + " m2 (compteur : " + fixed2(s.PaintedArea) + " m2)");
    line("Distance parcourue", fixed2(machine_->trueDistance()) + " m (compteur : " + fixed2(s.Distance) + " m)");
    line("Pompe P1", fixed2(machine_->litresP1()) + " l pompés, " + m.LitresP1 + " l mesurés, " + m.P1lEffect +
                         " l demandés par le plan");
    line("Pompe P2", fixed2(machine_->litresP2()) + " l pompés, " + m.LitresP2 + " l mesurés, " + m.P2lEffect +
                         " l demandés par le plan");
  } else {
    line("Distance", m.Distance + " m, surface " + m.m2Roul + " m2");
  }
  bool any = false;
  for (int a = 0; a < kAlarmCount; ++a) {
    const AlarmRecord& record = alarmRecords_[a];
    if (record.timesRaised == 0) continue;
    any = true;
    line("Alarme", alarmWithoutPrefix(static_cast<Alarm>(a)) + ", d'abord à " + seconds(record.firstRaised) + ", levée " +
                       std::to_string(record.timesRaised) + " fois, visible " + seconds(record.msVisible) + " (" +
                       std::to_string(record.ticksVisible * 100 / std::max(1LL, ticks_)) + " % du temps), " +
                       seconds(record.longestShowing) + " d'affilée au plus");
  }
  if (!any) line("Alarmes", "aucune");
  line("Verdict", verdict());
  return text;
}

std::string Simulation::verdict() const {
  std::string mix;
  if (!machine_) {
    mix = "sans machine simulée, le mélange posé n'est pas jugé";
  } else if (!machine_->laying()) {
    mix = "rien n'a été posé, le mélange n'est pas jugé";
  } else {
    const double largest = machine_->largestControlDeviation();
    mix = largest <= kLaidMixTolerance
              ? "plan posé comme prévu, à " + fixed2(kLaidMixTolerance) + " point près (plus grand écart " +
                    fixed2(largest) + ")"
              : "plan PAS posé comme prévu : écart jusqu'à " + fixed2(largest) + " points (tolérance " +
                    fixed2(kLaidMixTolerance) + ")";
  }
  if (machine_ && !machine_->finished())
    mix += ", arrêté à " + fixed2(machine_->trueDistance()) + " m sur " + fixed2(machine_->wall().length()) + " m";

  const AlarmRecord* held = nullptr;
  int heldAlarm = 0;
  for (int a = 0; a < kAlarmCount; ++a)
    if (alarmRecords_[a].msVisible > 0 && (!held || alarmRecords_[a].msVisible > held->msVisible))
      held = &alarmRecords_[a], heldAlarm = a;
  const std::string alarms =
      held ? "alarme la plus tenue : " + alarmWithoutPrefix(static_cast<Alarm>(heldAlarm)) + ", " + seconds(held->msVisible) +
                 " en tout, " + seconds(held->longestShowing) + " d'affilée au plus"
           : "aucune alarme";
  return mix + " ; " + alarms;
}

}  // namespace chromaflow::sim
