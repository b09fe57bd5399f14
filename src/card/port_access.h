#pragma once
// The only contact between the program and the parallel port: a byte read and a byte write
// at an I/O address. Linux ppdev, direct port I/O and the simulated K8000 card implement it.

#include <cstdint>

namespace chromaflow {

class PortAccess {
 public:
  virtual ~PortAccess() = default;
  virtual std::uint8_t readByte(std::uint16_t address) = 0;
  virtual void writeByte(std::uint16_t address, std::uint8_t value) = 0;
};

}  // namespace chromaflow
