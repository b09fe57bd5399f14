#pragma once
// The I2C master's side of the protocol, bit by bit on two lines: start and stop conditions,
// bytes out and in most significant bit first, acknowledge clocks, and the transactions the card
// is driven with. No delay is inserted: the pace of the bus is the pace of the line operations.
// The slave's acknowledge is sampled only by the probe; every other transaction goes on
// whether a chip answers or not. The lines are a template parameter so that the bus calls its
// own parallel-port lines directly, thousands of times a second; any I2cLines will do.

#include <cstdint>
#include <span>

#include "core/card/i2c_lines.h"

namespace chromaflow {

template <typename Lines = I2cLines>
class I2cProtocol {
 public:
  explicit I2cProtocol(Lines& lines) : lines_(lines) {}

  void BusRelease();      // SCL high, SDA released: the bus idle
  void BusStart();        // SDA falls while SCL is high, then SCL low
  void BusStop();         // SDA rises while SCL is high; the bus is left idle
  void BusWriteByte(std::uint8_t byte);
  std::uint8_t BusReadByte();
  void BusAckClock();     // one clock with SDA released, not sampled
  void BusMasterAck();    // one clock with SDA held low by the master, then SDA released
  // One clock with SDA released, SDA sampled while SCL is high: true when a chip pulled it low.
  bool BusAckSample();

  // Start, address with bit 0 clear, each data byte with its acknowledge clock, stop.
  void writeTransaction(std::uint8_t address, std::span<const std::uint8_t> bytes);
  // Start, address + 1, the bytes with a master acknowledge between two of them and a
  // no-acknowledge after the last, stop.
  void readTransaction(std::uint8_t address, std::span<std::uint8_t> bytes);
  // Start, the write address alone, its acknowledge sampled, stop: whether a chip answers at
  // that address. No data byte is sent, so no chip changes state.
  bool probeTransaction(std::uint8_t address);

 private:
  Lines& lines_;
};


template <typename Lines>
void I2cProtocol<Lines>::BusRelease() { lines_.setLines(true, true); }

template <typename Lines>
void I2cProtocol<Lines>::BusStart() {
  lines_.setLines(true, false);  // SDA falls while SCL is high: start condition
  lines_.setLines(false, false);
}

template <typename Lines>
void I2cProtocol<Lines>::BusStop() {
  lines_.setLines(false, false);
  lines_.setLines(true, false);
  lines_.setLines(true, true);  // SDA rises while SCL is high: stop condition
}

template <typename Lines>
void I2cProtocol<Lines>::BusWriteByte(std::uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    lines_.setLines(false, ((byte >> bit) & 1) != 0);  // data placed while SCL is low
    lines_.raiseScl();
    lines_.lowerScl();
  }
}

template <typename Lines>
std::uint8_t I2cProtocol<Lines>::BusReadByte() {
  std::uint8_t result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    result = static_cast<std::uint8_t>(result << 1);
    lines_.setLines(true, true);
    if (lines_.sdaHigh()) result |= 1;
    lines_.setLines(false, true);
  }
  return result;
}

template <typename Lines>
void I2cProtocol<Lines>::BusAckClock() {
  lines_.setLines(false, true);
  lines_.setLines(true, true);
  lines_.setLines(false, true);
}

template <typename Lines>
bool I2cProtocol<Lines>::BusAckSample() {
  lines_.setLines(false, true);
  lines_.setLines(true, true);
  const bool acknowledged = !lines_.sdaHigh();
  lines_.setLines(false, true);
  return acknowledged;
}

template <typename Lines>
void I2cProtocol<Lines>::BusMasterAck() {
  lines_.setLines(false, false);
  lines_.setLines(true, false);
  lines_.setLines(false, false);
  lines_.setLines(false, true);
}

template <typename Lines>
void I2cProtocol<Lines>::writeTransaction(std::uint8_t address, std::span<const std::uint8_t> bytes) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address & 0xFE));
  BusAckClock();
  for (std::uint8_t byte : bytes) {
    BusWriteByte(byte);
    BusAckClock();
  }
  BusStop();
}

template <typename Lines>
void I2cProtocol<Lines>::readTransaction(std::uint8_t address, std::span<std::uint8_t> bytes) {
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

template <typename Lines>
bool I2cProtocol<Lines>::probeTransaction(std::uint8_t address) {
  BusStart();
  BusWriteByte(static_cast<std::uint8_t>(address & 0xFE));
  const bool acknowledged = BusAckSample();
  BusStop();
  return acknowledged;
}


}  // namespace chromaflow
