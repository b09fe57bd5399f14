#pragma once
// A chip on the simulated I2C bus, as the bus decoder sees it: it is addressed after a start
// condition, receives the bytes the master writes, and gives the bytes the master reads.

#include <cstdint>

namespace chromaflow::sim {

class I2cSlave {
 public:
  virtual ~I2cSlave() = default;
  virtual std::uint8_t writeAddress() const = 0;  // 8-bit form, bit 0 clear
  virtual bool readable() const { return true; }
  virtual void addressed(bool read) = 0;           // acknowledged its address after a start
  virtual void receive(std::uint8_t byte) = 0;     // a data byte written by the master
  virtual std::uint8_t transmit() = 0;             // the next byte the master reads
  virtual void stopped() {}                        // stop condition, or a new start
};

}  // namespace chromaflow::sim
