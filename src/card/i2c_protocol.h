#pragma once
// The I2C master's side of the protocol, bit by bit on two lines: start and stop conditions,
// bytes out and in most significant bit first, acknowledge clocks, and the transactions the card
// is driven with. No delay is inserted: the pace of the bus is the pace of the line operations.
// The slave's acknowledge is sampled only by the probe; every other transaction goes on
// whether a chip answers or not.

#include <cstdint>
#include <span>

#include "card/i2c_lines.h"

namespace chromaflow {

class I2cProtocol {
 public:
  explicit I2cProtocol(I2cLines& lines) : lines_(lines) {}

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
  I2cLines& lines_;
};

}  // namespace chromaflow
