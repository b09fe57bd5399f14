#include "card/parallel_port_lines.h"

namespace chromaflow {

ParallelPortLines::ParallelPortLines(PortAccess& port, BusWiring wiring) : port_(port), wiring_(wiring) {}

void ParallelPortLines::select(ParallelPortKind kind) {
  selected_ = kind;
  registers_ = registersOf(kind);
}

std::uint8_t ParallelPortLines::PortReadByte(std::uint16_t address) {
  if (!cardEnabled_) return 0xFF;
  return port_.readByte(address);
}

void ParallelPortLines::PortWriteByte(std::uint16_t address, std::uint8_t value) {
  if (cardEnabled_) port_.writeByte(address, value);
}

void ParallelPortLines::setLines(bool sclHigh, bool sdaHigh) {
  PortWriteByte(registers_.control, wiring_.control(sclHigh, sdaHigh));
}

void ParallelPortLines::raiseScl() {
  const std::uint8_t control = PortReadByte(registers_.control);
  PortWriteByte(registers_.control, control & wiring_.keptOnSclRise);
}

void ParallelPortLines::lowerScl() {
  const std::uint8_t control = PortReadByte(registers_.control);
  PortWriteByte(registers_.control, control | wiring_.sclLow);
}

bool ParallelPortLines::sdaHigh() { return wiring_.sdaHighInStatus(PortReadByte(registers_.status)); }

}  // namespace chromaflow
