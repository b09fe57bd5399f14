#pragma once
// The three parallel ports the card may hang on, and the two registers of each the bus uses.

#include <cstdint>
#include <optional>

namespace chromaflow {

enum class ParallelPortKind { Prn = 0, Lpt1 = 1, Lpt2 = 2 };

struct ParallelPortRegisters {
  std::uint16_t base;
  std::uint16_t status;   // read: bit 4 is the incoming SDA level
  std::uint16_t control;  // written and read back: bits 1 and 3 drive SDA and SCL
};

constexpr ParallelPortRegisters registersOf(ParallelPortKind kind) {
  switch (kind) {
    case ParallelPortKind::Prn: return {0x3BC, 0x3BD, 0x3BE};
    case ParallelPortKind::Lpt2: return {0x278, 0x279, 0x27A};
    case ParallelPortKind::Lpt1: break;
  }
  return {0x378, 0x379, 0x37A};
}

// The port of the menu's kind number (0 Prn, 1 Lpt1, 2 Lpt2); nothing for any other number.
constexpr std::optional<ParallelPortKind> portKindOf(int kind) {
  if (kind < 0 || kind > 2) return std::nullopt;
  return static_cast<ParallelPortKind>(kind);
}

// The port whose registers (base, status, control) include this address; nothing for any other.
constexpr std::optional<ParallelPortKind> portOfAddress(std::uint16_t address) {
  for (auto kind : {ParallelPortKind::Prn, ParallelPortKind::Lpt1, ParallelPortKind::Lpt2}) {
    const ParallelPortRegisters registers = registersOf(kind);
    if (address >= registers.base && address <= registers.control) return kind;
  }
  return std::nullopt;
}

const char* portName(ParallelPortKind kind);

}  // namespace chromaflow
