#include "sim/card/simulated_k8000.h"

#include <stdexcept>
#include <string>

#include "core/card/card_image.h"

namespace chromaflow::sim {
namespace {

void requireInRange(const char* what, int number, int last) {
  if (number < 1 || number > last)
    throw std::out_of_range(std::string("simulated card: no ") + what + " " + std::to_string(number));
}

void requireChannel(int channel) { requireInRange("digital channel", channel, kDigitalChannels); }

std::uint8_t bitOf(int channel) { return static_cast<std::uint8_t>(1u << ((channel - 1) % 8)); }

}  // namespace

SimulatedK8000::SimulatedK8000() {
  lines_.attach(io0_);
  lines_.attach(io1_);
  lines_.attach(dac_);
  lines_.attach(adda_);
}

std::uint8_t SimulatedK8000::readByte(std::uint16_t address) {
  if (address == registers_.control) return control_;
  if (address == registers_.status) return wiring_.status(lines_.sdaHigh());
  return 0xFF;  // no port there
}

void SimulatedK8000::writeByte(std::uint16_t address, std::uint8_t value) {
  if (address != registers_.control) return;
  control_ = value;
  lines_.drive(wiring_.sclHighIn(value), wiring_.sdaHighIn(value));
}

void SimulatedK8000::setPulledLow(int channel, bool low) {
  requireChannel(channel);
  const std::uint16_t bit = static_cast<std::uint16_t>(1u << (channel - 1));
  const std::uint16_t mask = pulledLowMask();
  setPulledLowMask(low ? static_cast<std::uint16_t>(mask | bit) : static_cast<std::uint16_t>(mask & ~bit));
}

void SimulatedK8000::setPulledLowMask(std::uint16_t mask) {
  countChanges(pulledLowMask(), mask);
  io0_.setPulledLow(static_cast<std::uint8_t>(mask & 0xFF));
  io1_.setPulledLow(static_cast<std::uint8_t>(mask >> 8));
}

void SimulatedK8000::countChanges(std::uint16_t before, std::uint16_t after) {
  for (unsigned changed = before ^ after, channel = 1; changed != 0; changed >>= 1, ++channel)
    if (changed & 1) ++changesFromOutside_[channel];
}

std::uint64_t SimulatedK8000::changesFromOutside(int channel) const {
  requireChannel(channel);
  return changesFromOutside_[static_cast<std::size_t>(channel)];
}

std::uint16_t SimulatedK8000::pulledLowMask() const {
  return static_cast<std::uint16_t>(io0_.pulledLow() | (io1_.pulledLow() << 8));
}

bool SimulatedK8000::pinLow(int channel) const {
  requireChannel(channel);
  return (chipOf(channel).pins() & bitOf(channel)) == 0;
}

bool SimulatedK8000::drivenLow(int channel) const {
  requireChannel(channel);
  return (chipOf(channel).latch() & bitOf(channel)) == 0;
}

// The chips would take the number modulo their channel count: another channel, silently.
std::uint8_t SimulatedK8000::dacOutput(int channel) const {
  requireInRange("DAC channel", channel, kDacChannels);
  return dac_.output(channel - 1);
}

void SimulatedK8000::setAnalogInput(int input, std::uint8_t level) {
  requireInRange("analog input", input, kAnalogInputs);
  adda_.setInput(input - 1, level);
}

}  // namespace chromaflow::sim
