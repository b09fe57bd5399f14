#pragma once
// PCF8591 8-bit A/D and D/A converter, inputs single-ended. A write's first byte is the control
// byte (bit 6 analog output on, bit 2 auto-increment, bits 0-1 the input); the next bytes set
// the analog output. Each byte read starts a conversion of the selected input and sends the
// result of the previous one, so the first byte of a read is the previous conversion.

#include <array>
#include <cstdint>

#include "sim/card/i2c_slave.h"

namespace chromaflow::sim {

class Pcf8591 : public I2cSlave {
 public:
  explicit Pcf8591(std::uint8_t writeAddress) : address_(writeAddress) {}

  std::uint8_t writeAddress() const override { return address_; }
  void addressed(bool read) override { expectingControl_ = !read; }
  void receive(std::uint8_t byte) override;
  std::uint8_t transmit() override;

  void setInput(int input, std::uint8_t level) { inputs_[input & 3] = level; }
  std::uint8_t input(int input) const { return inputs_[input & 3]; }
  // The analog output register and whether the output is enabled.
  std::uint8_t analogOutput() const { return output_; }
  bool analogOutputEnabled() const { return (control_ & 0x40) != 0; }
  // How many values the analog output has received since power-on.
  std::uint64_t analogOutputWrites() const { return outputWrites_; }

 private:
  std::uint8_t address_;
  std::array<std::uint8_t, 4> inputs_{};
  std::uint8_t control_ = 0;
  int channel_ = 0;
  std::uint8_t output_ = 0;
  std::uint8_t lastConversion_ = 0x80;  // what the first read after power-on gives
  bool expectingControl_ = false;
  std::uint64_t outputWrites_ = 0;
};

}  // namespace chromaflow::sim
