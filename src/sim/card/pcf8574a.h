#pragma once
// PCF8574A quasi-bidirectional 8-bit expander: each byte written sets the output latch; a pin
// is low when its latch bit is 0 or when something outside pulls it low; a read returns the
// pin levels.

#include "sim/card/i2c_slave.h"

namespace chromaflow::sim {

class Pcf8574a : public I2cSlave {
 public:
  explicit Pcf8574a(std::uint8_t writeAddress) : address_(writeAddress) {}

  std::uint8_t writeAddress() const override { return address_; }
  void addressed(bool) override {}
  void receive(std::uint8_t byte) override { latch_ = byte; }
  std::uint8_t transmit() override { return pins(); }

  std::uint8_t latch() const { return latch_; }
  std::uint8_t pins() const { return static_cast<std::uint8_t>(latch_ & ~pulledLow_); }
  void setPulledLow(std::uint8_t mask) { pulledLow_ = mask; }
  std::uint8_t pulledLow() const { return pulledLow_; }

 private:
  std::uint8_t address_;
  std::uint8_t latch_ = 0xFF;  // power-on: every pin released
  std::uint8_t pulledLow_ = 0;
};

}  // namespace chromaflow::sim
