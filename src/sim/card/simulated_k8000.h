#pragma once
// A K8000 card on a simulated Lpt1 port, answering at the register level through the card's
// own wiring (the control register's SCL and SDA bits, the status register's SDA bit) and at the
// card's own chip addresses. Its chips decode the bus bit by bit and acknowledge their address.
// Any other register, Prn's and Lpt2's included, reads as nothing attached (0xFF).
// Tests and the simulated machine pull pins low from outside, set the analog inputs and watch
// the outputs, by channel number as on the card.

#include <array>
#include <cstdint>

#include "core/card/k8000_chips.h"
#include "core/card/parallel_port.h"
#include "core/card/parallel_port_lines.h"
#include "core/card/port_access.h"
#include "sim/card/i2c_line_decoder.h"
#include "sim/card/pcf8574a.h"
#include "sim/card/pcf8591.h"
#include "sim/card/tda8444.h"

namespace chromaflow::sim {

class SimulatedK8000 : public PortAccess {
 public:
  SimulatedK8000();
  SimulatedK8000(const SimulatedK8000&) = delete;
  SimulatedK8000& operator=(const SimulatedK8000&) = delete;

  std::uint8_t readByte(std::uint16_t address) override;
  void writeByte(std::uint16_t address, std::uint8_t value) override;

  // Channel numbers are those of the card; any other is refused with std::out_of_range.
  // Digital channels 1..16: something outside pulls the pin low (a closed contact).
  void setPulledLow(int channel, bool low);
  void setPulledLowMask(std::uint16_t mask);  // bit n - 1 for channel n
  std::uint16_t pulledLowMask() const;
  // How many times the pin of this channel was pulled low or let go from outside since the card
  // was made: the pulses the machine really gave.
  std::uint64_t changesFromOutside(int channel) const;
  // The pin's level: low when the chip drives it low or it is pulled low from outside.
  bool pinLow(int channel) const;
  // The chip's latch: the card has switched this channel's output on (pin driven low).
  bool drivenLow(int channel) const;

  // DAC channel 1..8, 0..63.
  std::uint8_t dacOutput(int channel) const;
  // The DA output and how many values it has received.
  std::uint8_t daOutput() const { return adda_.analogOutput(); }
  std::uint64_t daWrites() const { return adda_.analogOutputWrites(); }
  // Analog input 1..4, 0..255.
  void setAnalogInput(int input, std::uint8_t level);

  const I2cLineDecoder& lines() const { return lines_; }

 private:
  const Pcf8574a& chipOf(int channel) const { return channel <= 8 ? io0_ : io1_; }
  void countChanges(std::uint16_t before, std::uint16_t after);

  static constexpr BusWiring wiring_ = kK8000BusWiring;
  ParallelPortRegisters registers_ = registersOf(ParallelPortKind::Lpt1);
  std::uint8_t control_ = wiring_.control(true, true);  // bus idle
  I2cLineDecoder lines_;
  std::array<std::uint64_t, 17> changesFromOutside_{};
  Pcf8574a io0_{kIoChipAddress[0]};
  Pcf8574a io1_{kIoChipAddress[1]};
  Tda8444 dac_{kDacChipAddress};
  Pcf8591 adda_{kAdDaChipAddress};
};

}  // namespace chromaflow::sim
