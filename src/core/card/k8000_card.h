#pragma once
// The K8000 card's operations: each reads or writes its chips over the I2C bus and keeps the
// card image current. Channel numbers outside the card's range are refused with
// std::out_of_range before any bus traffic, leaving the image as it was. While a bus owner is
// set, each operation runs whole on the owner's thread; the refresh it raises is heard on the
// caller's thread once the operation is done.

#include <cstdint>
#include <functional>

#include "core/card/card_image.h"
#include "core/card/bus_owner.h"
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

  // The owner that runs every operation from now on; nothing: each runs on its caller's thread.
  void setBusOwner(BusOwner* owner) { owner_ = owner; }
  BusOwner* busOwner() const { return owner_; }
  // Runs `work` on the bus as one whole operation (on the owner's thread while there is one).
  void onBus(const std::function<void()>& work) { owned(work); }
  // One I/O chip's pins as the bus reads them now (a low pin reads 0); the image is left alone.
  // Only the bus's owner calls it between operations.
  std::uint8_t sampleIoChip(int chip);
  // A reading of an I/O chip taken elsewhere (the acquisition's latest sample) enters the image
  // as ReadIoChip's own reading would.
  void takeIoReading(int chip, std::uint8_t byte);
  // The outputs of an I/O chip as they were last switched by the bus's owner (bits set:
  // switched on); the image's inputs are left alone.
  void takeOutputLevels(int chip, std::uint16_t active);
  // Sends an I/O chip its pattern (bits set: outputs switched on) with these channels as inputs;
  // the image is left alone. Only the bus's owner calls it between operations.
  void sendIoPattern(int chip, std::uint16_t active, std::uint16_t direction);

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
  // Runs an operation whole: in place inside another, else on the owner's thread (or here);
  // the refresh it raised is then heard here.
  void owned(const std::function<void()>& work);
  void refresh() { refreshDue_ = true; }

  I2cBus& bus_;
  CardImage image_;
  BusOwner* owner_ = nullptr;
  int depth_ = 0;  // operations under way on this card, the outermost first
  bool refreshDue_ = false;
};

}  // namespace chromaflow
