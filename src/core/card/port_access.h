#pragma once
// The only contact between the program and the parallel port: a byte read and a byte write
// at an I/O address. Linux ppdev, direct port I/O and the simulated K8000 card implement it.

#include <cstdint>

#include "core/card/parallel_port.h"

namespace chromaflow {

class PortAccess {
 public:
  virtual ~PortAccess() = default;
  virtual std::uint8_t readByte(std::uint16_t address) = 0;
  virtual void writeByte(std::uint16_t address, std::uint8_t value) = 0;
};

// The accesses to the three parallel ports the card may hang on, each opened when first asked.
class PortSet {
 public:
  virtual ~PortSet() = default;
  virtual PortAccess& portAccess(ParallelPortKind kind) = 0;
};

}  // namespace chromaflow
