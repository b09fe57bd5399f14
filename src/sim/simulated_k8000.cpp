#include "sim/simulated_k8000.h"

#include <stdexcept>
#include <string>

namespace chromaflow::sim {
namespace {

void requireChannel(int channel) {
  if (channel < 1 || channel > 16)
    throw std::out_of_range("simulated card: no digital channel " + std::to_string(channel));
}

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
  if (address == registers_.status) return lines_.sdaHigh() ? 0x10 : 0x00;
  return 0xFF;  // no port there
}

void SimulatedK8000::writeByte(std::uint16_t address, std::uint8_t value) {
  if (address != registers_.control) return;
  control_ = value;
  lines_.drive((value & 0x08) == 0, (value & 0x02) == 0);
}

void SimulatedK8000::setPulledLow(int channel, bool low) {
  requireChannel(channel);
  Pcf8574a& chip = channel <= 8 ? io0_ : io1_;
  const std::uint8_t mask = low ? static_cast<std::uint8_t>(chip.pulledLow() | bitOf(channel))
                                : static_cast<std::uint8_t>(chip.pulledLow() & ~bitOf(channel));
  chip.setPulledLow(mask);
}

void SimulatedK8000::setPulledLowMask(std::uint16_t mask) {
  io0_.setPulledLow(static_cast<std::uint8_t>(mask & 0xFF));
  io1_.setPulledLow(static_cast<std::uint8_t>(mask >> 8));
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

}  // namespace chromaflow::sim
