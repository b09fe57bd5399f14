#include "core/control/painting_control.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/common/display_forms.h"
#include "core/settings/decode_line.h"

namespace chromaflow {
namespace {

int integerLabel(const std::string& text) {
  const auto number = integerOfField(text);
  return number ? *number : 0;
}

constexpr double kLongestPulseInterval = 1'000'000'000;  // ms

// The entries typed on the main window: a whole number, not negative.
bool readNonNegative(const std::string& typed, float& v) { return readEntryValue(typed, v) && v >= 0; }

}  // namespace

PaintingControl::PaintingControl(K8000Card& card, SettingsDocument& settings, Plan& plan, ColourTable& colours,
                                 ControlTimers timers)
    : card_(card), settings_(settings), plan_(plan), colours_(colours), timers_(timers), path_(plan, settings),
      mirrors_(settings_.mirrorsChanged.subscribe([this] { copyMirrors(); })),
      hoseState_(plan_.hoseStateSelected.subscribe([this](HoseState hose) {
        if (hose == HoseState::Full)
          state_.HoseFill = settingValue(settings_.settings().Retard);
        else if (state_.Distance == 0)
          state_.HoseFill = 0;
      })) {
  copyMirrors();
  UpdateGaugeColours();
}

void PaintingControl::copyMirrors() {
  main_.P1trl = std::to_string(settings_.settings().P1trl);
  main_.P2trl = std::to_string(settings_.settings().P2trl);
  main_.PulseM2 = std::to_string(settings_.settings().PulseM2);
}

void PaintingControl::activateMainWindow() {
  state_.FirstCycle = true;
  state_.Distance = 0;
  state_.HoseFill = 0;
  card_.InitCard();
  state_.TestWindowOpen = false;
}

void PaintingControl::setCycleInterval(int milliseconds) {
  if (milliseconds > 0) timers_.TimerCycleLectureCarte.setInterval(milliseconds);
}

void PaintingControl::readingCycleTick() {
  const InputCapture taken = inputs_->capture();
  card_.RefreshTestWindow();

  const MachineWiring& wiring = kMachineWiring;
  if (!state_.FirstCycle) {
    main_.CBR = taken.inputs[wiring.roller];
    if (state_.Running) {
      // The pressure follows the sensor: its input is read on every painting tick.
      card_.ReadAdChip();
      regulatePressure();
      // Every change of the roller's input since the last tick is one pulse, the dosing
      // following each.
      for (std::uint32_t pulse = 0; pulse < taken.changes[wiring.roller]; ++pulse) {
        rollerPulse();
        DosingUpdate();
      }
    } else {
      timers_.TimerPulseDO9.setEnabled(false);
    }
    CorrectionFigures& sinceReset = monitor_.figures();
    countPump(taken, wiring.pumpP1, main_.CBP1, main_.TrP1, sinceReset.TrP1, sinceReset.LitresP1, main_.P1trl);
    countPump(taken, wiring.pumpP2, main_.CBP2, main_.TrP2, sinceReset.TrP2, sinceReset.LitresP2, main_.P2trl);
    DosingUpdate();
  }

  const bool pulsing = timers_.TimerPulseDO9.isEnabled() && state_.GunOn && gunValveIsOutput();
  main_.LHzColour = pulsing ? kGreen : kRed;
  // Pulsed by the acquisition thread, the valve shows as it was last read.
  if (pulsing && inputs_->pulsesGunValve()) main_.PulseSimuRoul = taken.inputs[wiring.gunValve];
  state_.PreviousInputImage = taken.inputs;
  state_.FirstCycle = false;
}

void PaintingControl::regulatePressure() {
  const MachineSettings& s = settings_.settings();
  const float minSensor = settingValue(s.MinCapteur);
  const float maxSensor = settingValue(s.MaxCapteur);
  const float setpoint = settingValue(s.PConsigne);
  const float gain = settingValue(s.PGain);
  state_.SensorPressure =
      minSensor + (maxSensor - minSensor) * static_cast<float>(card_.image().AnalogInputImage[kMachineWiring.pressureSensor]) / 255;
  if (state_.RefreshPhase) main_.LCapteur = F1(state_.SensorPressure);

  const float d = state_.SensorPressure - setpoint;
  Timer& pulse = timers_.TimerPulseDO9;
  if (d >= 0) {
    // At or above the setpoint the gun is not pulsed: no frequency to show.
    pulse.setEnabled(false);
    main_.LHz = F1(0);
    return;
  }
  pulse.setEnabled(true);
  // A gain or highest frequency of 0 (or a text that is not a number) makes its quotient
  // infinite: the interval then goes to the bound it tends to.
  const float quotient = 10 * maxSensor / d / gain;
  const double lowest = std::nearbyint(500.0f / settingValue(s.PFreqMax));
  double interval = std::isnan(quotient) ? lowest : -std::nearbyint(quotient);
  if (!(interval > lowest)) interval = lowest;
  if (std::isnan(interval) || interval > kLongestPulseInterval) interval = kLongestPulseInterval;
  if (interval < 1) interval = 1;
  state_.PulseInterval = static_cast<int>(interval);
  pulse.setInterval(state_.PulseInterval);
  main_.LHz = F1(500.0f / static_cast<float>(pulse.interval()));
}

void PaintingControl::rollerPulse() {
  const MachineSettings& s = settings_.settings();
  const auto pulsesPerSquareMetre = static_cast<float>(s.PulseM2);
  if (state_.HoseFill >= settingValue(s.Retard)) {
    main_.TrRoul = incremented(main_.TrRoul);
    state_.PaintedArea = state_.PaintedArea + 1 / pulsesPerSquareMetre;
    state_.Distance = path_.DistanceForArea(state_.PaintedArea);
  } else {
    state_.HoseFill = state_.HoseFill + settingValue(s.LitreM2) / pulsesPerSquareMetre;
    state_.PaintedArea = 0;
    state_.Distance = 0;
  }
}

void PaintingControl::countPump(const InputCapture& taken, int channel, bool& box, std::string& mainCounter,
                                std::string& sinceReset, std::string& litres, const std::string& pulsesPerLitre) {
  box = taken.inputs[channel];
  const std::uint32_t pulses = taken.changes[channel];
  if (pulses == 0) return;
  for (std::uint32_t pulse = 0; pulse < pulses; ++pulse) {
    mainCounter = incremented(mainCounter);
    sinceReset = incremented(sinceReset);
  }
  // A pump of no (or, from a damaged settings file, negative) pulses per litre gives no litres:
  // the figure stays as it was, as the job record does.
  const int perLitre = integerLabel(pulsesPerLitre);
  if (perLitre > 0)
    litres = F2(static_cast<float>(counterValue(sinceReset)) / static_cast<float>(perLitre));
}

void PaintingControl::pulseTick() {
  if (!state_.GunOn || !gunValveIsOutput()) return;
  const int valve = kMachineWiring.gunValve;
  const bool on = !card_.image().InputImage[valve];
  main_.PulseSimuRoul = on;
  if (on)
    card_.SetOutputChannel(valve);
  else
    card_.ClearOutputChannel(valve);
}

void PaintingControl::setRunning(bool start) {
  state_.Running = start;
  DosingUpdate();
}

void PaintingControl::toggleGun() {
  state_.GunOn = !state_.GunOn;
  const int valve = kMachineWiring.gunValve;
  if (state_.GunOn) {
    if (!gunValveIsOutput()) card_.MakeChannelOutput(valve);
  } else {
    card_.ClearOutputChannel(valve);
    main_.PulseSimuRoul = false;
  }
}

void PaintingControl::switchGunValve(bool on) {
  main_.PulseSimuRoul = on;
  if (on)
    card_.SetOutputChannel(kMachineWiring.gunValve);
  else
    card_.ClearOutputChannel(kMachineWiring.gunValve);
}

void PaintingControl::DosingUpdate() {
  const float anticipated = anticipateDistance();
  const int xA = path_.SurfaceX(anticipated, view_);
  fillHoseOnceMoving();
  showPosition();
  const Litres due = showLitresDue(anticipated);
  monitor_.MonitorPumps(due.P1, due.P2, state_.Distance, state_.PaintedArea, main_);
  showRemaining();
  showRollerCalibration();
  showMeasuredLitres();
  main_.ImageParcouru = bar(path_.SurfaceX(state_.Distance, view_));
  // With the mixing lead, the pumps are asked what, once mixed in the roller, lays the plan.
  const float asked = plan_.leadsTheMix() ? path_.LedProportionAtDistance(anticipated)
                                          : path_.ProportionAtDistance(anticipated);
  main_.GaugeConsigne = static_cast<int>(Round(asked));
  writeMixSetpoint(asked);
  main_.ImageProportion = bar(xA);
  main_.ImageRemplissageTuyau = bar(path_.HoseX(state_.HoseFill, view_));
}

float PaintingControl::anticipateDistance() {
  // Where the paint now entering the hose will be laid: first in, first out. While the hose
  // fills, at the area its fill level covers; once full, the whole hose's area beyond the
  // area already painted.
  PaintingState& st = state_;
  st.AnticipatedDistance =
      plan_.anticipation() ? path_.DistanceForArea(value32(settings_.M2Litre()) * st.HoseFill + st.PaintedArea)
                           : st.Distance;
  return st.AnticipatedDistance;
}

void PaintingControl::fillHoseOnceMoving() {
  // Once the roller has moved, the hose is full.
  if (state_.Distance > 0) state_.HoseFill = settingValue(settings_.settings().Retard);
}

void PaintingControl::showPosition() {
  main_.Distance = F2(state_.Distance);
  main_.Leffect = F1(state_.Distance);
  main_.Seffect = F1(state_.PaintedArea);
  main_.m2Roul = F1(state_.PaintedArea);
}

Litres PaintingControl::showLitresDue(float anticipated) {
  // What the pumps should have delivered by now: the plan's litres up to where the paint now
  // leaving them will be laid (as the lead asks them, when it leads the mix).
  const Litres due = plan_.leadsTheMix() ? path_.LedLitresUpTo(anticipated) : path_.LitresUpTo(anticipated);
  main_.P1lEffect = F2(due.P1);
  main_.P2lEffect = F2(due.P2);
  main_.P1P2lEffect = F2(value32(main_.P1lEffect) + value32(main_.P2lEffect));
  return due;
}

void PaintingControl::showRemaining() {
  const PlanTotals& totals = plan_.totals();
  main_.LReste = F1(value32(totals.LTot) - state_.Distance);
  main_.SReste = F1(value32(totals.STot) - state_.PaintedArea);
  main_.P1lReste = F1(value32(main_.P1lTot) - value32(main_.P1lEffect));
  main_.P2lReste = F1(value32(main_.P2lTot) - value32(main_.P2lEffect));
  main_.P1P2lReste = F1(value32(main_.P1lReste) + value32(main_.P2lReste));
}

void PaintingControl::showRollerCalibration() {
  // The roller pulses per m² really measured, once the operator has set the distance painted.
  if (state_.PaintedArea != 0) {
    const long long pulses = counterValue(main_.TrRoul);
    main_.PulseM2_ = formatFixed(static_cast<float>(pulses) / state_.PaintedArea, 0, 4);
    main_.ButtonRoulEnabled = pulses > 0;
  } else {
    main_.TrRoul = "0";
    main_.PulseM2_ = "0";
    main_.ButtonRoulEnabled = false;
  }
}

void PaintingControl::showMeasuredLitres() {
  if (state_.HoseFill != 0) {
    const long long p1 = counterValue(main_.TrP1), p2 = counterValue(main_.TrP2);
    main_.LitresP1Enabled = p1 > 0;
    main_.LitresP2Enabled = p2 > 0;
    // A pump of no (or negative) pulses per litre gives no litres: the panel stays as it was.
    if (const int perLitre = integerLabel(main_.P1trl); perLitre > 0)
      main_.LitresP1 = F2(static_cast<float>(p1) / static_cast<float>(perLitre));
    if (const int perLitre = integerLabel(main_.P2trl); perLitre > 0)
      main_.LitresP2 = F2(static_cast<float>(p2) / static_cast<float>(perLitre));
  } else {
    // The pump counters restart with an empty hose.
    main_.TrP1 = "0";
    main_.TrP2 = "0";
  }
}

void PaintingControl::writeMixSetpoint(float asked) {
  // The proportion asked plus the correction as shown, linearised to the pumps' analog input.
  const MachineSettings& s = settings_.settings();
  const float zero = settingValue(s.Zero);
  const float gain = settingValue(s.Gain);
  float output = (value32(main_.Correction) + asked) * gain / 100 + zero;
  if (!(output > zero)) output = 0;
  if (!(zero + gain > output)) output = 100;
  // Settings may put the value outside what the 8-bit output takes: it goes to the bound.
  const float level = std::clamp(output / 100 * 255, 0.0f, 255.0f);
  if (!state_.TestWindowOpen) card_.WriteDaChannel(kMachineWiring.mixSetpoint, static_cast<int>(Round(level)));
}

void PaintingControl::RedrawSurfaceView() {
  DosingUpdate();
  ResetCorrection();
  surfaceViewRedrawn.emit();
}

void PaintingControl::RedrawProportionViews() {
  const PathTables& tables = path_.tables();
  if (tables.CS.empty()) {
    main_.P1lTot = main_.P2lTot = main_.P1P2ltot = F1(0);
  } else {
    // The job including the paint left in hose and roller at the end.
    const MachineSettings& s = settings_.settings();
    const float end = path_.DistanceForArea(settingValue(s.Retard) * value32(settings_.M2Litre()) + tables.CS.back());
    const Litres total = plan_.leadsTheMix() ? path_.LedLitresUpTo(end) : path_.LitresUpTo(end);
    main_.P1lTot = F1(total.P1);
    main_.P2lTot = F1(total.P2);
    main_.P1P2ltot = F1(total.P1 + total.P2 - 0.01f);
  }
  DosingUpdate();
  ResetCorrection();
  proportionViewsRedrawn.emit();
}

void PaintingControl::hoseEmptyButton() {
  if (state_.Distance != 0) return;
  state_.HoseFill = 0;
  plan_.SelectHoseState(HoseState::Empty);
  plan_.setAnticipation(true);
  DosingUpdate();
  UpdateGaugeColours();
  RedrawSurfaceView();
  RedrawProportionViews();
}

void PaintingControl::hoseFullButton() {
  state_.HoseFill = settingValue(settings_.settings().Retard);
  state_.Distance = 0;
  state_.PaintedArea = 0;
  DosingUpdate();
  // A new run: the pumps' deviations of the last one must not steer this one's mix.
  ResetCorrection();
}

bool PaintingControl::canEnterPumpLitres(Pump pump) const {
  return (pump == Pump::P1 ? main_.TrP1 : main_.TrP2) != "0";
}

EntryOutcome PaintingControl::enterPumpLitres(Pump pump, const std::string& typed) {
  float litres = 0;
  if (!canEnterPumpLitres(pump) || !readNonNegative(typed, litres)) return EntryOutcome::refuse();
  const bool first = pump == Pump::P1;
  std::string& panel = first ? main_.LitresP1 : main_.LitresP2;
  panel = F1(litres);
  const long long pulses = counterValue(first ? main_.TrP1 : main_.TrP2);
  if (litres == 0)
    return EntryOutcome::fail(panel, "Division par zéro : 0 litre ne donne pas de nombre de pulses par litre");
  const auto perLitre = static_cast<int>(std::clamp<std::int64_t>(
      Round(static_cast<float>(pulses) / litres), INT32_MIN, INT32_MAX));
  if (first)
    settings_.setP1trl(perLitre);
  else
    settings_.setP2trl(perLitre);
  return EntryOutcome::accept(panel);
}

EntryOutcome PaintingControl::enterDistance(const std::string& typed) {
  float distance = 0;
  if (!readNonNegative(typed, distance)) return EntryOutcome::refuse();
  state_.Distance = distance;
  state_.PaintedArea = path_.AreaAtDistance(distance);
  DosingUpdate();
  ResetCorrection();
  return EntryOutcome::accept(main_.Distance);
}

void PaintingControl::rollerButton() {
  main_.PulseM2 = main_.PulseM2_;
  settings_.setPulseM2(clampRollerPulses(Round(value(main_.PulseM2_))));
}

void PaintingControl::dragTravelled(int x) {
  state_.Distance = path_.DistanceAtX(x, view_);
  state_.PaintedArea = path_.AreaAtDistance(state_.Distance);
  DosingUpdate();
  ResetCorrection();
}

void PaintingControl::dragHose(int x) {
  // Once the roller has travelled, the hose is full and its content no longer the operator's.
  if (state_.Distance != 0) return;
  state_.HoseFill = path_.HoseLitresAtX(x, view_);
  DosingUpdate();
}

}  // namespace chromaflow
