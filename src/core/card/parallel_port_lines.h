#pragma once
// The K8000's parallel-port wiring of the I2C bus: the control register carries SCL and the
// outgoing SDA (both inverted), the status register returns SDA. This is the one part of the bus
// that knows port numbers and register bits; the protocol above it sees only the line
// operations of I2cLines.

#include <cstdint>

#include "core/card/i2c_lines.h"
#include "core/card/parallel_port.h"
#include "core/card/port_access.h"

namespace chromaflow {

// Which register bits the lines are, as a row of data.
struct BusWiring {
  std::uint8_t alwaysSet = 0x04;      // control bit 2 is always written 1
  std::uint8_t sclLow = 0x08;         // control bit 3 set pulls SCL low
  std::uint8_t sdaLow = 0x02;         // control bit 1 set pulls SDA low
  std::uint8_t keptOnSclRise = 0x07;  // raising SCL keeps only bits 0..2 of the read-back
  std::uint8_t sdaIn = 0x10;          // status bit 4 is the SDA level, not inverted

  // The control value that puts both lines at the given levels.
  constexpr std::uint8_t control(bool sclHigh, bool sdaHigh) const {
    return static_cast<std::uint8_t>(alwaysSet | (sclHigh ? 0 : sclLow) | (sdaHigh ? 0 : sdaLow));
  }
  // The levels a control value puts on the lines, as the card sees them.
  constexpr bool sclHighIn(std::uint8_t control) const { return (control & sclLow) == 0; }
  constexpr bool sdaHighIn(std::uint8_t control) const { return (control & sdaLow) == 0; }
  // The status value the card returns for an SDA level, and the level a status value gives.
  constexpr std::uint8_t status(bool sdaHigh) const { return sdaHigh ? sdaIn : 0; }
  constexpr bool sdaHighInStatus(std::uint8_t status) const { return (status & sdaIn) != 0; }
};

inline constexpr BusWiring kK8000BusWiring{};

class ParallelPortLines final : public I2cLines {
 public:
  // On one access, whatever port is selected.
  explicit ParallelPortLines(PortAccess& port, BusWiring wiring = kK8000BusWiring);
  // On the selected port's own access, taken from the set when the port is selected.
  explicit ParallelPortLines(PortSet& ports, BusWiring wiring = kK8000BusWiring);

  void select(ParallelPortKind kind);
  ParallelPortKind selectedPort() const { return selected_; }
  ParallelPortRegisters registers() const { return registers_; }
  const BusWiring& wiring() const { return wiring_; }

  // While disabled nothing is written and no register is read: reads give 0xFF, all lines high.
  void setCardEnabled(bool enabled) { cardEnabled_ = enabled; }
  bool cardEnabled() const { return cardEnabled_; }

  // The two platform operations, the only contact with the port.
  std::uint8_t PortReadByte(std::uint16_t address) { return cardEnabled_ ? port_->readByte(address) : 0xFF; }
  void PortWriteByte(std::uint16_t address, std::uint8_t value) {
    if (cardEnabled_) port_->writeByte(address, value);
  }

  // One write of the control register.
  void setLines(bool sclHigh, bool sdaHigh) override {
    PortWriteByte(registers_.control, wiring_.control(sclHigh, sdaHigh));
  }
  // Read-modify-write of the control register: read, keep bits 0..2, write.
  void raiseScl() override {
    const std::uint8_t control = PortReadByte(registers_.control);
    PortWriteByte(registers_.control, control & wiring_.keptOnSclRise);
  }
  // Read-modify-write of the control register: read, set the SCL bit, write.
  void lowerScl() override {
    const std::uint8_t control = PortReadByte(registers_.control);
    PortWriteByte(registers_.control, control | wiring_.sclLow);
  }
  // One read of the status register.
  bool sdaHigh() override { return wiring_.sdaHighInStatus(PortReadByte(registers_.status)); }

 private:
  PortSet* ports_ = nullptr;
  PortAccess* port_;
  BusWiring wiring_;
  bool cardEnabled_ = true;
  ParallelPortKind selected_ = ParallelPortKind::Lpt1;
  ParallelPortRegisters registers_ = registersOf(ParallelPortKind::Lpt1);
};

}  // namespace chromaflow
