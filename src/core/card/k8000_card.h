#pragma once
// The K8000 card's operations: each reads or writes its chips over the I2C bus and keeps the
// card image current. Channel numbers outside the card's range are refused with
// std::out_of_range before any bus traffic, leaving the image as it was.

#include <cstdint>

#include "core/card/card_image.h"
#include "core/card/card_probe.h"
#include "core/card/i2c_bus.h"
#include "core/card/k8000_chips.h"
#include "core/common/signal.h"

namespace chromaflow {

class K8000Card {
 public:
  explicit K8000Card(I2cBus& bus);

  const CardImage& image() const { return image_; }
  I2cBus& bus() { return bus_; }

  // The card test window's refresh: the operations marked so end with it, and so does every
  // reading-cycle tick. Whoever shows the card image listens.
  void RefreshTestWindow() { refreshed.emit(); }
  Signal<> refreshed;

  void WriteIoChip(int chip, std::uint8_t pattern);
  void ReadIoChip(int chip);
  void ReadAllIoChips();
  void ReadChannelChip(int channel);
  void SetOutputChannel(int channel);
  void ClearOutputChannel(int channel);
  void SetAllOutputs();
  void ClearAllOutputs();
  void MakeChannelInput(int channel);
  void MakeChannelOutput(int channel);
  void MakeAllChannelsInput();
  void MakeAllChannelsOutput();

  void WriteDacChannel(int channel, int value);
  void WriteDacChip();
  void ClearAllDac();
  void SetAllDac();

  void WriteDaChannel(int channel, int value);
  void ClearDaChannel(int channel);
  void ClearAllDa();
  void SetAllDa();

  void ReadAdChip();
  void ReadAllInputs();

  // Lpt1, bus idle, every channel an input but 9 (the spray-gun output, switched off),
  // DAC and DA at 0, fresh readings of every input.
  void InitCard();

  // Sends each chip's write address alone on the selected port and notes which acknowledged.
  // No data byte goes out: no chip and nothing in the image changes.
  CardProbe ProbeCard();

 private:
  void refresh();

  I2cBus& bus_;
  CardImage image_;
};

}  // namespace chromaflow
