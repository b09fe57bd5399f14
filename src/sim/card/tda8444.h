#pragma once
// TDA8444 octal 6-bit DAC, write only. The first byte of a write is the instruction: its low
// three bits are the subaddress; with the high nibble 0xF only that channel is written, any
// other high nibble makes the following bytes fill the channels from the subaddress on.

#include <array>

#include "sim/card/i2c_slave.h"

namespace chromaflow::sim {

class Tda8444 : public I2cSlave {
 public:
  explicit Tda8444(std::uint8_t writeAddress) : address_(writeAddress) {}

  std::uint8_t writeAddress() const override { return address_; }
  bool readable() const override { return false; }
  void addressed(bool) override { expectingInstruction_ = true; }
  void receive(std::uint8_t byte) override;
  std::uint8_t transmit() override { return 0xFF; }

  // Output of channel 1..8 (subaddress 0..7), 0..63.
  std::uint8_t output(int subaddress) const { return outputs_[subaddress & 7]; }

 private:
  std::uint8_t address_;
  std::array<std::uint8_t, 8> outputs_{};
  bool expectingInstruction_ = false;
  bool autoIncrement_ = false;
  int subaddress_ = 0;
};

}  // namespace chromaflow::sim
