#include "card/i2c_protocol.h"

namespace chromaflow {

void I2cProtocol::BusRelease() { lines_.setLines(true, true); }

void I2cProtocol::BusStart() {
  lines_.setLines(true, false);  // SDA falls while SCL is high: start condition
  lines_.setLines(false, false);
}

void I2cProtocol::BusStop() {
  lines_.setLines(false, false);
  lines_.setLines(true, false);
  lines_.setLines(true, true);  // SDA rises while SCL is high: stop condition
}

void I2cProtocol::BusWriteByte(std::uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    lines_.setLines(false, ((byte >> bit) & 1) != 0);  // data placed while SCL is low
    lines_.raiseScl();
    lines_.lowerScl();
  }
}

std::uint8_t I2cProtocol::BusReadByte() {
  std::uint8_t result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    result = static_cast<std::uint8_t>(result << 1);
    lines_.setLines(true, true);
    if (lines_.sdaHigh()) result |= 1;
    lines_.setLines(false, true);
  }
  return result;
}

void I2cProtocol::BusAckClock() {
  lines_.setLines(false, true);
  lines_.setLines(true, true);
  lines_.setLines(false, true);
}

bool I2cProtocol::BusAckSample() {
  lines_.setLines(false, true);
  lines_.setLines(true, true);
  const bool acknowledged = !lines_.sdaHigh();
  lines_.setLines(false, true);
  return acknowledged;
}

void I2cProtocol::BusMasterAck() {
  lines_.setLines(false, false);
  lines_.setLines(true, false);
  lines_.setLines(false, false);
  lines_.setLines(false, true);
}

void I2cProtocol::writeTransaction(std::uint8_t address, std::span<const std::uint8_t> bytes) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address & 0xFE));
  BusAckClock();
  for (std::uint8_t byte : bytes) {
    BusWriteByte(byte);
    BusAckClock();
  }
  BusStop();
}

void I2cProtocol::readTransaction(std::uint8_t address, std::span<std::uint8_t> bytes) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address | 0x01));  // the read address
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

bool I2cProtocol::probeTransaction(std::uint8_t address) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address & 0xFE));
  const bool acknowledged = BusAckSample();
  BusStop();
  return acknowledged;
}

}  // namespace chromaflow
