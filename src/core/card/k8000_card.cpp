#include "core/card/k8000_card.h"

#include <stdexcept>
#include <utility>
#include <string>

namespace chromaflow {
namespace {

void requireInRange(const char* what, int number, int last) {
  if (number < 1 || number > last)
    throw std::out_of_range(std::string("Range check error: ") + what + " " +
                            std::to_string(number) + " is not in 1.." + std::to_string(last));
}

void requireDigitalChannel(int channel) { requireInRange("digital channel", channel, kDigitalChannels); }

void requireChip(int chip) {
  if (chip < 0 || chip > 1)
    throw std::out_of_range("Range check error: I/O chip " + std::to_string(chip) + " is not 0 or 1");
}

}  // namespace

K8000Card::K8000Card(I2cBus& bus) : bus_(bus) {}

void K8000Card::owned(const std::function<void()>& work) {
  if (depth_ > 0) {  // inside another operation, already where it runs
    work();
    return;
  }
  const auto whole = [&] {
    ++depth_;
    try {
      work();
    } catch (...) {
      --depth_;
      throw;
    }
    --depth_;
  };
  const auto announce = [this] {
    if (std::exchange(refreshDue_, false)) RefreshTestWindow();
  };
  try {
    if (owner_ && !owner_->onOwnerThread())
      owner_->runOwned(whole);
    else
      whole();
  } catch (...) {
    announce();
    throw;
  }
  announce();
}

std::uint8_t K8000Card::sampleIoChip(int chip) {
  requireChip(chip);
  std::uint8_t byte = 0;
  bus_.readTransaction(kIoChipAddress[chip], std::span(&byte, 1));
  return byte;
}

void K8000Card::takeIoReading(int chip, std::uint8_t byte) {
  requireChip(chip);
  image_.IoState[chip] = static_cast<std::uint16_t>(~byte & 0xFF);  // a low pin is active
  for (int bit = 0; bit < 8; ++bit)
    image_.InputImage[chip * 8 + bit + 1] = (image_.IoState[chip] >> bit) & 1;
}

void K8000Card::takeOutputLevels(int chip, std::uint16_t active) {
  requireChip(chip);
  const std::uint16_t direction = image_.IoDirection[chip];
  image_.IoState[chip] = static_cast<std::uint16_t>((image_.IoState[chip] & direction) | (active & ~direction & 0xFF));
  for (int bit = 0; bit < 8; ++bit)
    image_.InputImage[chip * 8 + bit + 1] = (image_.IoState[chip] >> bit) & 1;
}

void K8000Card::sendIoPattern(int chip, std::uint16_t active, std::uint16_t direction) {
  requireChip(chip);
  // Outputs go out inverted (switched on = pin low); inputs are always released.
  const std::uint8_t sent = static_cast<std::uint8_t>((~active | direction) & 0xFF);
  bus_.writeTransaction(kIoChipAddress[chip], std::span(&sent, 1));
}

void K8000Card::WriteIoChip(int chip, std::uint8_t pattern) {
  requireChip(chip);
  owned([&] {
    const std::uint16_t direction = image_.IoDirection[chip];
    sendIoPattern(chip, pattern, direction);
    // Input bits keep their last reading, output bits take the pattern.
    image_.IoState[chip] = static_cast<std::uint16_t>((image_.IoState[chip] & direction) |
                                                      (pattern & ~direction & 0xFF));
    for (int bit = 0; bit < 8; ++bit)
      image_.InputImage[chip * 8 + bit + 1] = (image_.IoState[chip] >> bit) & 1;
  });
}

void K8000Card::ReadIoChip(int chip) {
  requireChip(chip);
  owned([&] { takeIoReading(chip, sampleIoChip(chip)); });
}

void K8000Card::ReadAllIoChips() {
  owned([this] {
    ReadIoChip(0);
    ReadIoChip(1);
  });
}

void K8000Card::ReadChannelChip(int channel) {
  requireDigitalChannel(channel);
  ReadIoChip(CardImage::chipOf(channel));
}

void K8000Card::SetOutputChannel(int channel) {
  requireDigitalChannel(channel);
  const int chip = CardImage::chipOf(channel);
  owned([&] { WriteIoChip(chip, static_cast<std::uint8_t>(image_.IoState[chip] | CardImage::bitOf(channel))); });
}

void K8000Card::ClearOutputChannel(int channel) {
  requireDigitalChannel(channel);
  const int chip = CardImage::chipOf(channel);
  owned([&] { WriteIoChip(chip, static_cast<std::uint8_t>(image_.IoState[chip] & ~CardImage::bitOf(channel))); });
}

void K8000Card::SetAllOutputs() {
  owned([this] {
    WriteIoChip(0, 0xFF);
    WriteIoChip(1, 0xFF);
    refresh();
  });
}

void K8000Card::ClearAllOutputs() {
  owned([this] {
    WriteIoChip(0, 0x00);
    WriteIoChip(1, 0x00);
    refresh();
  });
}

void K8000Card::MakeChannelInput(int channel) {
  requireDigitalChannel(channel);
  const int chip = CardImage::chipOf(channel);
  owned([&] {
    image_.IoDirection[chip] &= static_cast<std::uint16_t>(~CardImage::bitOf(channel));
    ClearOutputChannel(channel);  // releases the pin so that it can be pulled low from outside
    image_.IoDirection[chip] |= CardImage::bitOf(channel);
    ReadChannelChip(channel);
    refresh();
  });
}

void K8000Card::MakeChannelOutput(int channel) {
  requireDigitalChannel(channel);
  owned([&] {
    image_.IoDirection[CardImage::chipOf(channel)] &= static_cast<std::uint16_t>(~CardImage::bitOf(channel));
    ClearOutputChannel(channel);
    refresh();
  });
}

void K8000Card::MakeAllChannelsInput() {
  owned([this] {
    for (int chip = 0; chip < 2; ++chip) {
      image_.IoDirection[chip] = 0x00;
      WriteIoChip(chip, 0x00);  // every pin released: 0xFF on the bus
      image_.IoDirection[chip] = 0xFF;
      ReadIoChip(chip);
    }
    refresh();
  });
}

void K8000Card::MakeAllChannelsOutput() {
  owned([this] {
    image_.IoDirection[0] = 0;
    image_.IoDirection[1] = 0;
    ClearAllOutputs();
  });
}

void K8000Card::WriteDacChannel(int channel, int value) {
  requireInRange("DAC channel", channel, kDacChannels);
  if (value > kDacMax) value = kDacMax;
  if (value < 0) value = 0;
  owned([&] {
    image_.DacImage[channel] = static_cast<std::int16_t>(value);
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(0xF0 | (channel - 1)),
                                   static_cast<std::uint8_t>(value)};
    bus_.writeTransaction(kDacChipAddress, bytes);
  });
}

void K8000Card::WriteDacChip() {
  owned([this] {
    std::uint8_t bytes[1 + kDacChannels] = {0x00};  // all eight, auto-increment from subaddress 0
    for (int n = 1; n <= kDacChannels; ++n) {
      if (image_.DacImage[n] > kDacMax) image_.DacImage[n] = kDacMax;
      if (image_.DacImage[n] < 0) image_.DacImage[n] = 0;
      bytes[n] = static_cast<std::uint8_t>(image_.DacImage[n]);
    }
    bus_.writeTransaction(kDacChipAddress, bytes);
  });
}

void K8000Card::ClearAllDac() {
  owned([this] {
    for (int n = 1; n <= kDacChannels; ++n) image_.DacImage[n] = 0;
    WriteDacChip();
  });
}

void K8000Card::SetAllDac() {
  owned([this] {
    for (int n = 1; n <= kDacChannels; ++n) image_.DacImage[n] = kDacMax;
    WriteDacChip();
  });
}

void K8000Card::WriteDaChannel(int channel, int value) {
  requireInRange("DA channel", channel, kDaChannels);
  owned([&] {
    image_.DaImage[channel] = static_cast<std::int16_t>(value);
    // 0x40 enables the analog output. A value outside 0..255 goes out as the nearer bound:
    // wrapping 256 to 0 would swing the mix from one pump to the other.
    const int sent = value < 0 ? 0 : (value > 255 ? 255 : value);
    const std::uint8_t bytes[2] = {0x40, static_cast<std::uint8_t>(sent)};
    bus_.writeTransaction(kAdDaChipAddress, bytes);
    refresh();
  });
}

void K8000Card::ClearDaChannel(int channel) { WriteDaChannel(channel, 0); }
void K8000Card::ClearAllDa() { WriteDaChannel(1, 0); }
void K8000Card::SetAllDa() { WriteDaChannel(1, 255); }

void K8000Card::ReadAdChip() {
  owned([this] {
    // Output enabled, auto-increment, from input 0.
    const std::uint8_t control = 0x44;
    bus_.writeTransaction(kAdDaChipAddress, std::span(&control, 1));
    // The first byte is the conversion made before the new control byte took effect.
    std::uint8_t bytes[1 + kAnalogInputs] = {};
    bus_.readTransaction(kAdDaChipAddress, bytes);
    for (int n = 1; n <= kAnalogInputs; ++n) image_.AnalogInputImage[n] = bytes[n];
  });
}

void K8000Card::ReadAllInputs() {
  owned([this] {
    ReadAllIoChips();
    ReadAdChip();
  });
}

void K8000Card::InitCard() {
  owned([this] {
    bus_.SelectParallelPort(ParallelPortKind::Lpt1);
    bus_.BusRelease();
    MakeAllChannelsInput();
    MakeChannelOutput(9);
    ClearAllDac();
    ClearAllDa();
    ReadAllInputs();
  });
}

CardProbe K8000Card::ProbeCard() {
  CardProbe probe;
  owned([&] {
    probe.port = bus_.selectedPort();
    probe.cardEnabled = bus_.cardEnabled();
    for (std::size_t i = 0; i < kCardChips.size(); ++i)
      probe.chips[i] = {kCardChips[i].address, bus_.probeTransaction(kCardChips[i].address)};
  });
  return probe;
}

}  // namespace chromaflow
