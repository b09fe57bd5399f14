#include "sim/card/tda8444.h"

namespace chromaflow::sim {

void Tda8444::receive(std::uint8_t byte) {
  if (expectingInstruction_) {
    expectingInstruction_ = false;
    subaddress_ = byte & 7;
    autoIncrement_ = (byte & 0xF0) != 0xF0;
    return;
  }
  outputs_[subaddress_] = byte & 0x3F;  // six bits
  if (autoIncrement_) subaddress_ = (subaddress_ + 1) & 7;
}

}  // namespace chromaflow::sim
