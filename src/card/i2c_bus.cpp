#include "card/i2c_bus.h"

namespace chromaflow {

I2cBus::I2cBus(PortAccess& port, BusWiring wiring) : port_(port), wiring_(wiring) {}

void I2cBus::SelectParallelPort(int kind) {
  if (auto known = portKindOf(kind)) SelectParallelPort(*known);
}

void I2cBus::SelectParallelPort(ParallelPortKind kind) {
  selected_ = kind;
  registers_ = registersOf(kind);
}

std::uint8_t I2cBus::PortReadByte(std::uint16_t address) {
  // Nothing is read while the card is disabled; all lines then read as released (high).
  if (!CardEnabled) return 0xFF;
  return port_.readByte(address);
}

void I2cBus::PortWriteByte(std::uint16_t address, std::uint8_t value) {
  if (CardEnabled) port_.writeByte(address, value);
}

void I2cBus::writeControl(bool sclHigh, bool sdaHigh) {
  PortWriteByte(registers_.control, wiring_.control(sclHigh, sdaHigh));
}

void I2cBus::BusRelease() { writeControl(true, true); }

void I2cBus::BusStart() {
  writeControl(true, false);   // SDA falls while SCL is high: start condition
  writeControl(false, false);
}

void I2cBus::BusStop() {
  writeControl(false, false);
  writeControl(true, false);
  writeControl(true, true);    // SDA rises while SCL is high: stop condition
}

void I2cBus::BusWriteByte(std::uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    writeControl(false, ((byte >> bit) & 1) != 0);  // data placed while SCL is low
    std::uint8_t control = PortReadByte(registers_.control);
    PortWriteByte(registers_.control, control & wiring_.keptOnSclRise);
    control = PortReadByte(registers_.control);
    PortWriteByte(registers_.control, control | wiring_.sclLow);
  }
}

std::uint8_t I2cBus::BusReadByte() {
  std::uint8_t result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    result = static_cast<std::uint8_t>(result << 1);
    writeControl(true, true);
    if (PortReadByte(registers_.status) & wiring_.sdaIn) result |= 1;
    writeControl(false, true);
  }
  return result;
}

void I2cBus::BusAckClock() {
  writeControl(false, true);
  writeControl(true, true);
  writeControl(false, true);
}

void I2cBus::BusMasterAck() {
  writeControl(false, false);
  writeControl(true, false);
  writeControl(false, false);
  writeControl(false, true);
}

void I2cBus::writeTransaction(std::uint8_t address, std::span<const std::uint8_t> bytes) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address & 0xFE));
  BusAckClock();
  for (std::uint8_t byte : bytes) {
    BusWriteByte(byte);
    BusAckClock();
  }
  BusStop();
}

void I2cBus::readTransaction(std::uint8_t address, std::span<std::uint8_t> bytes) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address + 1));
  BusAckClock();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = BusReadByte();
    if (i + 1 < bytes.size())
      BusMasterAck();
    else
      BusAckClock();  // no-acknowledge after the last byte
  }
  BusStop();
}

}  // namespace chromaflow
