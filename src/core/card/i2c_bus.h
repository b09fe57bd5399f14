#pragma once
// The card's I2C bus: the I2C protocol driven on the K8000's parallel-port wiring. The port's
// control register carries the clock and the outgoing data, its status register the incoming
// data; which port is selected is chosen here. Only the probe samples an acknowledge.

#include <cstdint>
#include <span>

#include "core/card/i2c_protocol.h"
#include "core/card/parallel_port.h"
#include "core/card/parallel_port_lines.h"
#include "core/card/port_access.h"

namespace chromaflow {

class I2cBus {
 public:
  // The bus on one port access, or on the selected port's own access of a set.
  explicit I2cBus(PortAccess& port, BusWiring wiring = kK8000BusWiring);
  explicit I2cBus(PortSet& ports, BusWiring wiring = kK8000BusWiring);
  // The protocol holds the lines by reference: a copy would drive the original's lines.
  I2cBus(const I2cBus&) = delete;
  I2cBus& operator=(const I2cBus&) = delete;

  // Kind 0 Prn, 1 Lpt1, 2 Lpt2; any other kind leaves the selection as it is. No port traffic.
  void SelectParallelPort(int kind);
  void SelectParallelPort(ParallelPortKind kind) { lines_.select(kind); }
  ParallelPortKind selectedPort() const { return lines_.selectedPort(); }
  ParallelPortRegisters registers() const { return lines_.registers(); }
  const BusWiring& wiring() const { return lines_.wiring(); }

  // "Activation carte K8000": while clear, nothing is written and no register is read.
  void setCardEnabled(bool enabled) { lines_.setCardEnabled(enabled); }
  bool cardEnabled() const { return lines_.cardEnabled(); }

  std::uint8_t PortReadByte(std::uint16_t address) { return lines_.PortReadByte(address); }
  void PortWriteByte(std::uint16_t address, std::uint8_t value) { lines_.PortWriteByte(address, value); }

  void BusRelease() { protocol_.BusRelease(); }
  void BusStart() { protocol_.BusStart(); }
  void BusStop() { protocol_.BusStop(); }
  void BusWriteByte(std::uint8_t byte) { protocol_.BusWriteByte(byte); }
  std::uint8_t BusReadByte() { return protocol_.BusReadByte(); }
  void BusAckClock() { protocol_.BusAckClock(); }
  void BusMasterAck() { protocol_.BusMasterAck(); }
  bool BusAckSample() { return protocol_.BusAckSample(); }

  void writeTransaction(std::uint8_t address, std::span<const std::uint8_t> bytes) {
    protocol_.writeTransaction(address, bytes);
  }
  void readTransaction(std::uint8_t address, std::span<std::uint8_t> bytes) {
    protocol_.readTransaction(address, bytes);
  }
  // Whether a chip acknowledges its write address; changes no chip's state.
  bool probeTransaction(std::uint8_t address) { return protocol_.probeTransaction(address); }

 private:
  ParallelPortLines lines_;
  I2cProtocol<ParallelPortLines> protocol_;
};

}  // namespace chromaflow
