// The simulated card's chips as the bus sees them, driven through a real I2C master.

#include "sim/card/simulated_k8000.h"

#include <gtest/gtest.h>

#include "core/card/i2c_bus.h"
#include "core/card/k8000_chips.h"

namespace chromaflow::sim {
namespace {

struct SimulatedCardFixture : ::testing::Test {
  SimulatedK8000 card;
  I2cBus bus{card};
};

TEST_F(SimulatedCardFixture, ExpanderAcknowledgesItsAddressOnly) {
  // Drive the address byte of chip 0x70 by hand and look at SDA during the acknowledge slot.
  bus.BusStart();
  bus.BusWriteByte(0x70);
  bus.PortWriteByte(0x37A, 0x0C);
  bus.PortWriteByte(0x37A, 0x04);  // SCL high in the acknowledge slot
  EXPECT_EQ(bus.PortReadByte(0x379) & 0x10, 0);  // pulled low: acknowledged
  bus.PortWriteByte(0x37A, 0x0C);
  bus.BusStop();

  bus.BusStart();
  bus.BusWriteByte(0x50);  // nobody there
  bus.PortWriteByte(0x37A, 0x0C);
  bus.PortWriteByte(0x37A, 0x04);
  EXPECT_EQ(bus.PortReadByte(0x379) & 0x10, 0x10);
  bus.PortWriteByte(0x37A, 0x0C);
  bus.BusStop();
}

TEST_F(SimulatedCardFixture, EveryChipOfTheCardAndNoOtherAnswersTheProbe) {
  for (const CardChip& chip : kCardChips) EXPECT_TRUE(bus.probeTransaction(chip.address)) << chip.name;
  for (std::uint8_t address : {0x00, 0x42, 0x50, 0x74, 0x92, 0xFE})
    EXPECT_FALSE(bus.probeTransaction(address)) << int(address);
  // After a probe nobody answered, the bus is idle and the next transaction goes through.
  const std::uint8_t pattern = 0x7F;
  bus.writeTransaction(kIoChipAddress[1], std::span(&pattern, 1));
  EXPECT_TRUE(card.drivenLow(16));
  EXPECT_FALSE(card.drivenLow(15));
}

TEST_F(SimulatedCardFixture, ExpanderPinIsLowWhenLatchedLowOrPulledLow) {
  const std::uint8_t pattern = 0xFE;  // pin 0 driven low
  bus.writeTransaction(0x70, std::span(&pattern, 1));
  card.setPulledLow(3, true);
  std::uint8_t read = 0;
  bus.readTransaction(0x70, std::span(&read, 1));
  EXPECT_EQ(read, 0xFA);
  EXPECT_TRUE(card.pinLow(1));
  EXPECT_TRUE(card.drivenLow(1));
  EXPECT_TRUE(card.pinLow(3));
  EXPECT_FALSE(card.drivenLow(3));
  EXPECT_FALSE(card.pinLow(2));
  EXPECT_THROW(card.pinLow(17), std::out_of_range);
  // Numbers off the card are refused, not taken as another channel.
  EXPECT_THROW(card.setAnalogInput(0, 9), std::out_of_range);
  EXPECT_THROW(card.setAnalogInput(5, 9), std::out_of_range);
  EXPECT_THROW(card.dacOutput(0), std::out_of_range);
  EXPECT_THROW(card.dacOutput(9), std::out_of_range);
  EXPECT_THROW(card.setPulledLow(0, true), std::out_of_range);
}

TEST_F(SimulatedCardFixture, ConverterFirstByteIsThePreviousConversion) {
  for (int n = 1; n <= 4; ++n) card.setAnalogInput(n, static_cast<std::uint8_t>(n * 50));
  const std::uint8_t control = 0x44;
  bus.writeTransaction(0x90, std::span(&control, 1));
  std::uint8_t bytes[6] = {};
  bus.readTransaction(0x90, bytes);
  EXPECT_EQ(bytes[0], 0x80);  // power-on value
  EXPECT_EQ(bytes[1], 50);
  EXPECT_EQ(bytes[4], 200);
  EXPECT_EQ(bytes[5], 50);  // auto-increment wraps to input 0

  const std::uint8_t withoutIncrement = 0x42;  // input 2 only
  bus.writeTransaction(0x90, std::span(&withoutIncrement, 1));
  std::uint8_t again[3] = {};
  bus.readTransaction(0x90, again);
  EXPECT_EQ(again[1], 150);
  EXPECT_EQ(again[2], 150);
}

TEST_F(SimulatedCardFixture, ConverterOutputCountsItsWrites) {
  const std::uint8_t bytes[3] = {0x40, 12, 34};
  bus.writeTransaction(0x90, bytes);
  EXPECT_EQ(card.daOutput(), 34);
  EXPECT_EQ(card.daWrites(), 2u);
}

TEST_F(SimulatedCardFixture, DacWritesOneChannelOrIncrements) {
  const std::uint8_t one[2] = {0xF3, 99};
  bus.writeTransaction(0x40, one);
  EXPECT_EQ(card.dacOutput(4), 99 & 0x3F);
  const std::uint8_t run[4] = {0x06, 1, 2, 3};  // from subaddress 6, wrapping to 0
  bus.writeTransaction(0x40, run);
  EXPECT_EQ(card.dacOutput(7), 1);
  EXPECT_EQ(card.dacOutput(8), 2);
  EXPECT_EQ(card.dacOutput(1), 3);
}

TEST_F(SimulatedCardFixture, OtherPortsHaveNothingAttached) {
  bus.SelectParallelPort(0);
  const std::uint8_t pattern = 0x00;
  bus.writeTransaction(0x70, std::span(&pattern, 1));
  std::uint8_t read = 0;
  bus.readTransaction(0x70, std::span(&read, 1));
  EXPECT_EQ(read, 0xFF);
  EXPECT_FALSE(card.pinLow(1));  // the card on Lpt1 saw nothing
  EXPECT_EQ(card.readByte(0x279), 0xFF);
}

TEST_F(SimulatedCardFixture, RepeatedStartReaddressesTheBus) {
  // A start in the middle of a write to the DAC, then a write to the expander.
  bus.BusStart();
  bus.BusWriteByte(0x40);
  bus.BusAckClock();
  bus.BusWriteByte(0xF0);
  bus.BusAckClock();
  bus.PortWriteByte(0x37A, 0x0C);
  bus.PortWriteByte(0x37A, 0x04);
  bus.BusStart();
  bus.BusWriteByte(0x72);
  bus.BusAckClock();
  bus.BusWriteByte(0x00);
  bus.BusAckClock();
  bus.BusStop();
  EXPECT_EQ(card.dacOutput(1), 0);
  EXPECT_TRUE(card.pinLow(9));
  EXPECT_TRUE(card.pinLow(16));
}

}  // namespace
}  // namespace chromaflow::sim
