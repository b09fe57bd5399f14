#pragma once
// The I2C master, bit-banged through the selected parallel port's control register (clock and
// outgoing data) and status register (incoming data). No acknowledge is ever sampled and no
// delay is inserted: the pace of the bus is the pace of the port accesses.

#include <cstdint>
#include <span>

#include "card/parallel_port.h"
#include "card/port_access.h"

namespace chromaflow {

// How the K8000 puts the two I2C lines on the port's registers. The protocol code below only
// says "SCL high, SDA low"; this row of data says which bit that is and that both are inverted.
struct BusWiring {
  std::uint8_t alwaysSet = 0x04;     // control bit 2 is always written 1
  std::uint8_t sclLow = 0x08;        // control bit 3 set pulls SCL low
  std::uint8_t sdaLow = 0x02;        // control bit 1 set pulls SDA low
  std::uint8_t keptOnSclRise = 0x07; // raising SCL keeps only bits 0..2 of the read-back
  std::uint8_t sdaIn = 0x10;         // status bit 4 is the SDA level, not inverted

  constexpr std::uint8_t control(bool sclHigh, bool sdaHigh) const {
    return static_cast<std::uint8_t>(alwaysSet | (sclHigh ? 0 : sclLow) | (sdaHigh ? 0 : sdaLow));
  }
};

class I2cBus {
 public:
  explicit I2cBus(PortAccess& port, BusWiring wiring = {});

  // Kind 0 Prn, 1 Lpt1, 2 Lpt2; any other kind leaves the selection as it is.
  void SelectParallelPort(int kind);
  void SelectParallelPort(ParallelPortKind kind);
  ParallelPortKind selectedPort() const { return selected_; }
  ParallelPortRegisters registers() const { return registers_; }

  // While clear, nothing is written and no register is read.
  bool CardEnabled = true;

  std::uint8_t PortReadByte(std::uint16_t address);
  void PortWriteByte(std::uint16_t address, std::uint8_t value);

  void BusRelease();
  void BusStart();
  void BusStop();
  void BusWriteByte(std::uint8_t byte);
  std::uint8_t BusReadByte();
  void BusAckClock();
  void BusMasterAck();

  // Start, address with bit 0 clear, each data byte with its acknowledge clock, stop.
  void writeTransaction(std::uint8_t address, std::span<const std::uint8_t> bytes);
  // Start, address + 1, the bytes with a master acknowledge between two of them and a
  // no-acknowledge after the last, stop.
  void readTransaction(std::uint8_t address, std::span<std::uint8_t> bytes);

 private:
  void writeControl(bool sclHigh, bool sdaHigh);

  PortAccess& port_;
  BusWiring wiring_;
  ParallelPortKind selected_ = ParallelPortKind::Lpt1;
  ParallelPortRegisters registers_ = registersOf(ParallelPortKind::Lpt1);
};

}  // namespace chromaflow
