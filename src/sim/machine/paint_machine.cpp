#include "sim/machine/paint_machine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/card/machine_wiring.h"

namespace chromaflow::sim {
namespace {

constexpr std::int64_t kStepMilliseconds = 5;  // fine enough for 20 ms sampling of the pins

// The card has one analog output; the pump controller listens to it.
static_assert(kMachineWiring.mixSetpoint == 1, "the simulated card has a single DA output");

double atLeastZero(double v) { return std::max(0.0, v); }  // a value that is not a number gives 0

MachineConstants physical(MachineConstants m) {
  for (double* v : {&m.stallFlowPerSquareMetre, &m.outputAtZeroPercent, &m.outputSpanPercent, &m.sensorLowBar,
                    &m.sensorHighBar})
    if (!std::isfinite(*v)) *v = 0;
  // Volumes, rates and pulse counts cannot be negative.
  for (double* v : {&m.p1PulsesPerLitre, &m.p2PulsesPerLitre, &m.litresPerSquareMetre, &m.hoseLitres,
                    &m.dilutionLitres, &m.dryRollerPulsesPerSquareMetre})
    *v = std::isfinite(*v) ? atLeastZero(*v) : 0;
  return m;
}

// A figure as the operator writes it: no trailing zeros.
std::string shortFigure(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

}  // namespace

std::string machineBackendText(const MachineConfig& config) {
  std::string text = "machine simulée (" + shortFigure(config.speedMetresPerMinute) + " m/min";
  for (const MachineFault& fault : config.faults) {
    text += " ; ";
    const std::string from = " dès " + shortFigure(fault.fromSeconds) + " s";
    if (fault.target == MachineFault::Target::Roller) {
      text += "rouleau arrêté" + from;
      continue;
    }
    text += fault.target == MachineFault::Target::P1 ? "P1" : "P2";
    text += fault.factor == 0 ? " arrêtée" + from : " à " + shortFigure(fault.factor * 100) + " %" + from;
  }
  return text + ")";
}

PaintMachine::PaintMachine(SimulatedK8000& card, MachineJob job, MachineConfig config)
    : card_(card),
      wall_(job.wall, job.plan),
      asked_(job.wall, job.asked.empty() ? std::move(job.plan) : std::move(job.asked)),
      constants_(physical(job.machine)),
      config_(std::move(config)) {}

double PaintMachine::factorOf(MachineFault::Target target) const {
  double factor = 1;
  const double seconds = static_cast<double>(now_) / 1000;
  for (const MachineFault& fault : config_.faults)
    if (fault.target == target && seconds >= fault.fromSeconds) factor = fault.factor;
  return atLeastZero(factor);
}

double PaintMachine::commandedProportion() const {
  // The pump controller reads the DA output as Zero + Span x proportion / 100 % of full scale.
  const double span = constants_.outputSpanPercent;
  if (!(span > 0)) return 0;
  const double outputPercent = card_.daOutput() / 255.0 * 100;
  return std::clamp((outputPercent - constants_.outputAtZeroPercent) / span * 100, 0.0, 100.0);
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
  // Each pulse is one change of the pin's level, all of them made: several within one step come
  // faster than anything reads the pin, and an even number leaves it as it was.
  if (owed < 1) return;
  const double pulses = std::floor(owed);
  owed -= pulses;
  // Past a few dozen in one step (absurd rates) only as many are made, keeping the level right.
  const auto changes = pulses <= 64 ? static_cast<int>(pulses) : 64 + static_cast<int>(std::fmod(pulses, 2));
  for (int change = 0; change < changes; ++change)
    card_.setPulledLow(channel, !((card_.pulledLowMask() >> (channel - 1)) & 1));
}

PaintMachine::Flow PaintMachine::flowFor(double area) const {
  // The pumps deliver the paint for that area, split as the analog output commands.
  const double asked = constants_.litresPerSquareMetre * area;
  const double p = commandedProportion() / 100;
  return {asked * (1 - p) * factorOf(MachineFault::Target::P1), asked * p * factorOf(MachineFault::Target::P2)};
}

void PaintMachine::run(const Flow& flow, double area) {
  litresP1_ += flow.p1;
  litresP2_ += flow.p2;
  p1Owed_ += flow.p1 * atLeastZero(config_.p1PulsesPerLitre.value_or(constants_.p1PulsesPerLitre));
  p2Owed_ += flow.p2 * atLeastZero(config_.p2PulsesPerLitre.value_or(constants_.p2PulsesPerLitre));
  toggle(kMachineWiring.pumpP1, p1Owed_);
  toggle(kMachineWiring.pumpP2, p2Owed_);

  // The roller turns slower the more paint it carries, and stops at the stall flow.
  if (!(area > 0)) return;
  const double dry = constants_.dryRollerPulsesPerSquareMetre, stall = constants_.stallFlowPerSquareMetre;
  const double pulsesPerSquareMetre = stall > 0 ? dry * atLeastZero(1 - flow.total() / area / stall) : dry;
  rollerOwed_ += area * pulsesPerSquareMetre;
  toggle(kMachineWiring.roller, rollerOwed_);
}

double PaintMachine::pushThroughHose(double litres, double proportion) {
  // First in, first out: what enters pushes the same volume out at the roller.
  hose_.push_back({litres, proportion});
  double out = litres, mixed = 0;
  while (out > 0 && !hose_.empty()) {
    Parcel& front = hose_.front();
    const double taken = std::min(out, front.litres);
    mixed += taken * front.proportion;
    front.litres -= taken;
    out -= taken;
    if (front.litres <= 1e-12) hose_.pop_front();
  }
  return mixed / (litres - out);
}

void PaintMachine::step(double seconds, bool painting) {
  updatePressure(seconds);
  if (!painting || factorOf(MachineFault::Target::Roller) == 0 || finished()) return;
  if (hoseLitres_ < constants_.hoseLitres) prime(seconds);
  if (seconds > 0) lay(seconds);
}

void PaintMachine::prime(double& seconds) {
  // The roller turns on the spot at the start of the wall while the paint fills hose and
  // roller; the part of the step after the hose is full lays paint.
  const double area = atLeastZero(config_.speedMetresPerMinute) / 60 * wall_.heightAt(0) * seconds;
  const Flow flow = flowFor(area);
  const double room = constants_.hoseLitres - hoseLitres_;
  const double share = flow.total() > room ? room / flow.total() : 1;
  const Flow filling{flow.p1 * share, flow.p2 * share};
  run(filling, area * share);
  if (filling.total() > 0) hose_.push_back({filling.total(), filling.p2 / filling.total() * 100});
  hoseLitres_ = share < 1 ? constants_.hoseLitres : hoseLitres_ + filling.total();
  seconds *= 1 - share;
}

void PaintMachine::lay(double seconds) {
  const double from = distance_, areaBefore = area_;
  distance_ = std::min(wall_.length(), distance_ + atLeastZero(config_.speedMetresPerMinute) / 60 * seconds);
  area_ = wall_.areaAtDistance(distance_);
  const double area = area_ - areaBefore;
  if (!(area > 0)) return;

  const Flow flow = flowFor(area);
  run(flow, area);
  const double entering = flow.total();
  if (entering > 0) {
    const double leaving = pushThroughHose(entering, flow.p2 / entering * 100);
    // The roller mixes what arrives with the paint it holds, over the dilution volume.
    const double dilution = constants_.dilutionLitres;
    auto mix = [&](double arriving, double held) {
      return (arriving * entering + held * dilution) / (entering + dilution);
    };
    const double planned = asked_.plannedProportionAt(from);
    laid_ = laidAny_ ? mix(leaving, laid_) : leaving;
    predicted_ = laidAny_ ? mix(planned, predicted_) : planned;
    laidAny_ = true;
  }
  // With nothing arriving the roller lays the mix it holds; a roller that never had paint lays
  // nothing to judge.
  if (!laidAny_) return;
  judgedArea_ += area;
  const double deviation = std::fabs(laid_ - wall_.plannedProportionAt(distance_));
  deviationSum_ += deviation * area;
  largestDeviation_ = std::max(largestDeviation_, deviation);
  const double controlDeviation = std::fabs(laid_ - predicted_);
  controlDeviationSum_ += controlDeviation * area;
  largestControlDeviation_ = std::max(largestControlDeviation_, controlDeviation);
}

void PaintMachine::updatePressure(double seconds) {
  // Every opening of the gun valve (the card switching its output on) pushes the pressure up;
  // it leaks away.
  const bool open = card_.drivenLow(kMachineWiring.gunValve);
  if (open && !valveWasOpen_) pressure_ += config_.barPerValvePulse;
  valveWasOpen_ = open;
  if (seconds > 0) {
    const double timeConstant = config_.pressureTimeConstant;
    pressure_ = timeConstant > 0 ? pressure_ * std::exp(-seconds / timeConstant) : 0;
  }
  const double low = constants_.sensorLowBar, high = constants_.sensorHighBar;
  const double level = high > low ? (pressure_ - low) / (high - low) * 255 : 0;
  card_.setAnalogInput(kMachineWiring.pressureSensor,
                       static_cast<std::uint8_t>(std::lround(std::clamp(atLeastZero(level), 0.0, 255.0))));
}

}  // namespace chromaflow::sim
