#pragma once
// The K8000 card's four I2C chips and their write addresses (the read address is one more),
// shared by the card's operations and the simulated card.

#include <array>
#include <cstdint>

namespace chromaflow {

inline constexpr std::uint8_t kIoChipAddress[2] = {0x70, 0x72};  // PCF8574A, channels 1-8 and 9-16
inline constexpr std::uint8_t kDacChipAddress = 0x40;             // TDA8444, eight 6-bit outputs
inline constexpr std::uint8_t kAdDaChipAddress = 0x90;            // PCF8591, four inputs, one output
inline constexpr std::uint8_t kDacMax = 63;

struct CardChip {
  std::uint8_t address;
  const char* name;  // as the operator knows it
};

inline constexpr std::array<CardChip, 4> kCardChips{{
    {kIoChipAddress[0], "E/S 1-8"},
    {kIoChipAddress[1], "E/S 9-16"},
    {kDacChipAddress, "DAC"},
    {kAdDaChipAddress, "AD/DA"},
}};

}  // namespace chromaflow
