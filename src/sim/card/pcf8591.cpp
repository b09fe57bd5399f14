#include "sim/card/pcf8591.h"

namespace chromaflow::sim {

void Pcf8591::receive(std::uint8_t byte) {
  if (expectingControl_) {
    expectingControl_ = false;
    control_ = byte;
    channel_ = byte & 3;
    return;
  }
  output_ = byte;
  ++outputWrites_;
}

std::uint8_t Pcf8591::transmit() {
  const std::uint8_t previous = lastConversion_;
  lastConversion_ = inputs_[channel_];
  if (control_ & 0x04) channel_ = (channel_ + 1) & 3;
  return previous;
}

}  // namespace chromaflow::sim
