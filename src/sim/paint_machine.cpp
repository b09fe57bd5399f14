#include "sim/paint_machine.h"

#include <algorithm>
#include <cmath>

#include "common/display_forms.h"

namespace chromaflow::sim {
namespace {

constexpr std::int64_t kStepMilliseconds = 5;  // fine enough for 20 ms sampling of the pins

}  // namespace

PaintMachine::PaintMachine(SimulatedK8000& card, const SettingsDocument& settings, const PathModel& path,
                           MachineConfig config)
    : card_(card), settings_(settings), path_(path), config_(std::move(config)) {}

double PaintMachine::factorOf(MachineFault::Target target) const {
  double factor = 1;
  const double seconds = static_cast<double>(now_) / 1000;
  for (const MachineFault& fault : config_.faults)
    if (fault.target == target && seconds >= fault.fromSeconds) factor = fault.factor;
  return factor;
}

double PaintMachine::commandedProportion() const {
  const double zero = settingValue(settings_.settings().Zero);
  const double gain = settingValue(settings_.settings().Gain);
  const double outputPercent = card_.daOutput() / 255.0 * 100;
  if (gain <= 0) return 0;
  return std::clamp((outputPercent - zero) / gain * 100, 0.0, 100.0);
}

bool PaintMachine::finished() const {
  const PathTables& tables = path_.tables();
  return tables.CS.empty() || area_ >= tables.CS.back();
}

void PaintMachine::advanceTo(std::int64_t milliseconds, bool painting) {
  while (now_ < milliseconds) {
    const std::int64_t next = std::min(milliseconds, now_ + kStepMilliseconds);
    const double seconds = static_cast<double>(next - now_) / 1000;
    now_ = next;
    step(seconds, painting);
  }
  updatePressure(0);
}

void PaintMachine::toggle(int channel, double& owed) {
  // Each pulse is one change of the pin's level.
  while (owed >= 1) {
    owed -= 1;
    card_.setPulledLow(channel, !((card_.pulledLowMask() >> (channel - 1)) & 1));
  }
}

double PaintMachine::pushThroughHose(double litres, double proportion) {
  // First in, first out: what enters pushes the same volume out at the roller.
  hose_.push_back({litres, proportion});
  double out = litres, mixed = 0;
  while (out > 1e-12 && !hose_.empty()) {
    Parcel& front = hose_.front();
    const double taken = std::min(out, front.litres);
    mixed += taken * front.proportion;
    front.litres -= taken;
    out -= taken;
    if (front.litres <= 1e-12) hose_.pop_front();
  }
  return mixed / litres;
}

void PaintMachine::step(double seconds, bool painting) {
  updatePressure(seconds);
  if (!painting || factorOf(MachineFault::Target::Roller) == 0 || finished()) return;

  const MachineSettings& s = settings_.settings();
  const double litresPerSquareMetre = settingValue(s.LitreM2);
  const double capacity = settingValue(s.Retard);
  const bool priming = hoseLitres_ < capacity;
  const double height = path_.HeightAtDistance(static_cast<float>(priming ? 0 : distance_));
  const double area = config_.speedMetresPerMinute / 60 * height * seconds;
  if (area <= 0) return;

  // The pumps deliver the paint asked for that area, split as the analog output commands.
  const double asked = litresPerSquareMetre * area;
  const double p = commandedProportion() / 100;
  const double v1 = asked * (1 - p) * factorOf(MachineFault::Target::P1);
  const double v2 = asked * p * factorOf(MachineFault::Target::P2);
  litresP1_ += v1;
  litresP2_ += v2;
  p1Owed_ += v1 * config_.p1PulsesPerLitre.value_or(s.P1trl);
  p2Owed_ += v2 * config_.p2PulsesPerLitre.value_or(s.P2trl);
  toggle(7, p1Owed_);
  toggle(3, p2Owed_);

  // The roller turns slower the more paint it carries, and stops at the highest flow.
  const double entering = v1 + v2;
  const double flowPerSquareMetre = entering / area;
  const double maxFlow = settingValue(s.MaxDebit);
  const double rollerPulses = maxFlow > 0 ? s.Roul * std::max(0.0, 1 - flowPerSquareMetre / maxFlow) : s.Roul;
  rollerOwed_ += area * rollerPulses;
  toggle(1, rollerOwed_);

  if (entering <= 0) return;
  const double enteringProportion = v2 / entering * 100;
  if (priming) {
    hose_.push_back({entering, enteringProportion});
    hoseLitres_ += entering;
    return;
  }
  const double leaving = pushThroughHose(entering, enteringProportion);
  // The roller mixes what arrives with the paint it holds, over the dilution volume.
  const double dilution = settingValue(s.Filtre);
  auto mix = [&](double arriving, double held) { return (arriving * entering + held * dilution) / (entering + dilution); };
  const double planned = path_.ProportionAtDistance(static_cast<float>(distance_));
  laid_ = laidAny_ ? mix(leaving, laid_) : leaving;
  predicted_ = laidAny_ ? mix(planned, predicted_) : planned;
  laidAny_ = true;
  area_ += area;
  distance_ = path_.DistanceForArea(static_cast<float>(area_));
  const double deviation = std::fabs(laid_ - path_.ProportionAtDistance(static_cast<float>(distance_)));
  deviationSum_ += deviation * area;
  largestDeviation_ = std::max(largestDeviation_, deviation);
  const double controlDeviation = std::fabs(laid_ - predicted_);
  controlDeviationSum_ += controlDeviation * area;
  largestControlDeviation_ = std::max(largestControlDeviation_, controlDeviation);
}

void PaintMachine::updatePressure(double seconds) {
  // Every opening of the gun valve (its pin driven low) pushes the pressure up; it leaks away.
  const bool valveLow = card_.drivenLow(9);
  if (valveLow && !valveWasLow_) pressure_ += config_.barPerValvePulse;
  valveWasLow_ = valveLow;
  pressure_ *= std::exp(-seconds / config_.pressureTimeConstant);
  const MachineSettings& s = settings_.settings();
  const double low = settingValue(s.MinCapteur), high = settingValue(s.MaxCapteur);
  const double level = high > low ? (pressure_ - low) / (high - low) * 255 : 0;
  card_.setAnalogInput(1, static_cast<std::uint8_t>(std::clamp(std::lround(level), 0L, 255L)));
}

}  // namespace chromaflow::sim
