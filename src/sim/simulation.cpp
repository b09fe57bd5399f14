#include "sim/simulation.h"

#include <cstdio>
#include <ostream>
#include <stdexcept>

#include "common/text_file.h"

namespace chromaflow::sim {
namespace {

// Answers the project's dialog with one name and cancels every other.
class OneNameAsker : public NameAsker {
 public:
  explicit OneNameAsker(std::string name) : name_(std::move(name)) {}
  std::optional<std::string> askOpenName(DocumentKind kind, const std::string&) override { return answer(kind); }
  std::optional<std::string> askSaveName(DocumentKind kind, const std::string&) override { return answer(kind); }

 private:
  std::optional<std::string> answer(DocumentKind kind) const {
    if (kind == DocumentKind::Project) return name_;
    return std::nullopt;
  }
  std::string name_;
};

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

}  // namespace

Simulation::Simulation()
    : refresh_(clock_.makeTimer(200, true)),
      pulse_(clock_.makeTimer(25, false)),
      cycle_(clock_.makeTimer(20, true)),
      session_(card_, {cycle_, pulse_, refresh_}) {
  // Timers due in the same millisecond run in this order: refresh, pulse, reading cycle.
  refresh_.onTick = [this] {
    beforeTimer();
    control().refreshTick();
  };
  pulse_.onTick = [this] {
    beforeTimer();
    control().pulseTick();
  };
  cycle_.onTick = [this] {
    beforeTimer();
    const auto writes = card_.daWrites();
    control().readingCycleTick();
    tickDa_ = card_.daWrites() != writes ? std::optional<int>(card_.daOutput()) : std::nullopt;
    afterReadingCycle();
  };
}

void Simulation::openProject(const std::string& path) {
  if (!fileExists(path)) throw FileError(path + " : no such project file");
  OneNameAsker asker(path);
  session_.documents.project.OpenProject(true, &asker);
}

void Simulation::saveProjectAs(const std::string& path) {
  OneNameAsker asker(path);
  session_.documents.project.SaveProject(true, &asker);
}

void Simulation::start() { control().activateMainWindow(); }

void Simulation::startMachine(MachineConfig config) {
  machine_ = std::make_unique<PaintMachine>(card_, session_.documents.settings, control().path(), std::move(config));
  control().setRunning(true);
  control().toggleGun();
}

void Simulation::startNextWall() {
  if (machine_) machine_->startNewWall();
  control().hoseFullButton();
  control().ResetCorrection();
}

void Simulation::beforeTimer() {
  if (machine_) machine_->advanceTo(clock_.now(), control().state().Running);
}

void Simulation::afterReadingCycle() {
  ++ticks_;
  ticked_ = true;
  const auto& alarms = control().correction().alarms;
  for (int a = 0; a < kAlarmCount; ++a) {
    AlarmRecord& record = alarmRecords_[a];
    if (alarms[a] && !alarmsBefore_[a]) {
      if (record.timesRaised++ == 0) record.firstRaised = clock_.now();
    }
    if (alarms[a]) ++record.ticksVisible;
    alarmsBefore_[a] = alarms[a];
  }
}

void Simulation::tick() {
  ticked_ = false;
  while (!ticked_) clock_.advanceTo(std::max(clock_.now(), cycle_.due()));
}

void Simulation::replay(const ReplayStep& step, std::ostream& errors) {
  card_.setPulledLowMask(step.pulledLow);
  card_.setAnalogInput(1, step.analogInput);
  for (int input = 2; input <= 4; ++input) card_.setAnalogInput(input, 0);
  PaintingControl& c = control();
  using K = ReplayAction::Kind;
  for (const ReplayAction& action : step.actions) {
    try {
      switch (action.kind) {
        case K::Activate: c.activateMainWindow(); break;
        case K::Start: c.setRunning(true); break;
        case K::Stop: c.setRunning(false); break;
        case K::Gun: c.toggleGun(); break;
        case K::Reset: c.ResetCorrection(); break;
        case K::HoseFull: c.hoseFullButton(); break;
        case K::HoseEmpty: c.hoseEmptyButton(); break;
        case K::Distance: c.enterDistance(action.value); break;
        case K::P1Litres: c.enterPumpLitres(Pump::P1, action.value); break;
        case K::P2Litres: c.enterPumpLitres(Pump::P2, action.value); break;
        case K::Roller:
          if (c.main().ButtonRoulEnabled) c.rollerButton();
          break;
      }
    } catch (const std::exception& error) {
      errors << "line " << step.line << ": " << error.what() << "\n";
    }
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
  const PaintingState& s = session_.control.state();
  const MainWindowFigures& m = session_.control.main();
  std::string alarms;
  for (bool raised : session_.control.correction().alarms) alarms += raised ? '1' : '0';
  const std::string cells[] = {
      std::to_string(ticks_ - 1), std::to_string(clock_.now()), real(s.Distance), real(s.PaintedArea),
      real(s.HoseFill), real(s.AnticipatedDistance), std::to_string(m.GaugeConsigne),
      tickDa_ ? std::to_string(*tickDa_) : "", m.Correction, m.TrRoul, m.TrP1, m.TrP2, m.LitresP1, m.LitresP2,
      m.P1lEffect, m.P2lEffect, m.P1P2lEffect, m.LReste, m.SReste, m.P1lReste, m.P2lReste, m.PulseM2_,
      m.LCapteur, m.LHz, std::to_string(pulse_.isEnabled() ? pulse_.interval() : 0),
      card_.drivenLow(9) ? "1" : "0", alarms, m.P1lTot, m.P2lTot, m.P1P2ltot};
  std::string row;
  for (const std::string& cell : cells) row += (row.empty() ? "" : ",") + cell;
  if (machine_)
    row += "," + real(machine_->trueDistance()) + "," + real(machine_->laidProportion()) + "," +
           real(machine_->litresP1()) + "," + real(machine_->litresP2());
  return row;
}

std::string Simulation::summary() const {
  const PaintingState& s = session_.control.state();
  const MainWindowFigures& m = session_.control.main();
  std::string text;
  auto line = [&text](const std::string& l) { text += l + "\n"; };
  line("Durée simulée         : " + seconds(clock_.now()));
  if (machine_) {
    line("Surface peinte        : " + real(machine_->trueArea()) + " m2 (compteur : " + real(s.PaintedArea) + " m2)");
    line("Distance parcourue    : " + real(machine_->trueDistance()) + " m (compteur : " + real(s.Distance) + " m)");
    line("Pompe P1              : " + real(machine_->litresP1()) + " l pompés, " + m.LitresP1 +
         " l mesurés, " + m.P1lEffect + " l demandés par le plan");
    line("Pompe P2              : " + real(machine_->litresP2()) + " l pompés, " + m.LitresP2 +
         " l mesurés, " + m.P2lEffect + " l demandés par le plan");
    char deviation[160];
    std::snprintf(deviation, sizeof deviation, "écart au plan moyen %.2f, plus grand %.2f points",
                  machine_->meanDeviation(), machine_->largestDeviation());
    line(std::string("Proportion au rouleau : ") + deviation);
    std::snprintf(deviation, sizeof deviation, "écart au mélange prévu moyen %.2f, plus grand %.2f points",
                  machine_->meanControlDeviation(), machine_->largestControlDeviation());
    line(std::string("                        ") + deviation);
  } else {
    line("Distance              : " + m.Distance + " m, surface " + m.m2Roul + " m2");
  }
  line("Correction            : " + m.Correction + " %");
  bool any = false;
  for (int a = 0; a < kAlarmCount; ++a) {
    const AlarmRecord& record = alarmRecords_[a];
    if (record.timesRaised == 0) continue;
    any = true;
    line(std::string("Alarme                : ") + alarmCaption(static_cast<Alarm>(a)) + ", d'abord à " +
         seconds(record.firstRaised) + ", levée " + std::to_string(record.timesRaised) + " fois, visible " +
         std::to_string(record.ticksVisible * 100 / std::max(1LL, ticks_)) + " % du temps");
  }
  if (!any) line("Alarmes               : aucune");
  return text;
}

}  // namespace chromaflow::sim
