#pragma once
// The program's only view of the K8000 card: what was last written to and read from its chips.
// Arrays are indexed by channel number from 1, as the channels are numbered on the card;
// entry 0 is unused.

#include <array>
#include <cstdint>

namespace chromaflow {

constexpr int kDigitalChannels = 16;
constexpr int kDacChannels = 8;
constexpr int kAnalogInputs = 4;
constexpr int kDaChannels = 1;

struct CardImage {
  std::array<std::uint16_t, 2> IoDirection{};  // per I/O chip, bit set = channel is an input
  std::array<std::uint16_t, 2> IoState{};      // per I/O chip, bit set = channel active (pin low)
  std::array<bool, kDigitalChannels + 1> InputImage{};
  std::array<std::int16_t, kDacChannels + 1> DacImage{};
  std::array<std::uint16_t, kAnalogInputs + 1> AnalogInputImage{};
  std::array<std::int16_t, kDaChannels + 1> DaImage{};

  // Digital channel n (1..16) is bit (n - 1) mod 8 of I/O chip (n - 1) div 8.
  static constexpr int chipOf(int channel) { return (channel - 1) / 8; }
  static constexpr std::uint16_t bitOf(int channel) {
    return static_cast<std::uint16_t>(1u << ((channel - 1) % 8));
  }
  bool isInput(int channel) const { return (IoDirection[chipOf(channel)] & bitOf(channel)) != 0; }
  bool operator==(const CardImage&) const = default;
};

}  // namespace chromaflow
