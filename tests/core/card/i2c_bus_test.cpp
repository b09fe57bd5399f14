#include "core/card/i2c_bus.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/card/recording_port.h"

namespace chromaflow {
namespace {

// A bare port: the control register reads back what was written; the status register gives a
// fixed value.
class FakePort : public PortAccess {
 public:
  std::uint8_t status = 0x10;
  std::uint8_t readByte(std::uint16_t address) override {
    return address == lastControlAddress ? control : status;
  }
  void writeByte(std::uint16_t address, std::uint8_t value) override {
    lastControlAddress = address;
    control = value;
  }
  std::uint8_t control = 0;
  std::uint16_t lastControlAddress = 0;
};

struct BusFixture : ::testing::Test {
  FakePort fake;
  RecordingPort port{fake};
  I2cBus bus{port};

  std::vector<std::uint8_t> controlWrites() const {
    std::vector<std::uint8_t> values;
    for (const auto& access : port.traffic())
      if (access.write) values.push_back(access.value);
    return values;
  }
};

TEST_F(BusFixture, ByteGoesOutMostSignificantBitFirstWithReadModifyWriteClocks) {
  bus.BusWriteByte(0xA5);
  ASSERT_EQ(port.traffic().size(), 40u);
  std::vector<std::uint8_t> dataSteps;
  for (std::size_t i = 0; i < 40; i += 5) {
    const auto* step = &port.traffic()[i];
    dataSteps.push_back(step[0].value);
    EXPECT_EQ(step[0], (PortAccessRecord{true, 0x37A, step[0].value}));
    // SCL up: the control register is read back and written with bits 0..2 only.
    EXPECT_EQ(step[1], (PortAccessRecord{false, 0x37A, step[0].value}));
    EXPECT_EQ(step[2], (PortAccessRecord{true, 0x37A, static_cast<std::uint8_t>(step[0].value & 0x07)}));
    // SCL down: read back again, bit 3 set.
    EXPECT_EQ(step[3], (PortAccessRecord{false, 0x37A, static_cast<std::uint8_t>(step[0].value & 0x07)}));
    EXPECT_EQ(step[4], (PortAccessRecord{true, 0x37A, step[0].value}));
  }
  EXPECT_EQ(dataSteps, (std::vector<std::uint8_t>{0x0C, 0x0E, 0x0C, 0x0E, 0x0E, 0x0C, 0x0E, 0x0C}));
}

TEST_F(BusFixture, PrimitivesWriteTheirFixedControlValues) {
  bus.BusRelease();
  bus.BusStart();
  bus.BusAckClock();
  bus.BusMasterAck();
  bus.BusStop();
  EXPECT_EQ(controlWrites(), (std::vector<std::uint8_t>{0x04, 0x06, 0x0E, 0x0C, 0x04, 0x0C, 0x0E, 0x06,
                                                        0x0E, 0x0C, 0x0E, 0x06, 0x04}));
}

TEST_F(BusFixture, ReadByteSamplesStatusBitFour) {
  fake.status = 0x10;
  EXPECT_EQ(bus.BusReadByte(), 0xFF);
  fake.status = 0xEF;  // every bit but SDA
  EXPECT_EQ(bus.BusReadByte(), 0x00);
  port.clear();
  bus.BusReadByte();
  ASSERT_EQ(port.traffic().size(), 24u);
  EXPECT_EQ(port.traffic()[0], (PortAccessRecord{true, 0x37A, 0x04}));
  EXPECT_EQ(port.traffic()[1].address, 0x379);
  EXPECT_FALSE(port.traffic()[1].write);
  EXPECT_EQ(port.traffic()[2], (PortAccessRecord{true, 0x37A, 0x0C}));
}

TEST_F(BusFixture, TransactionsCostTheirFixedNumberOfAccesses) {
  const std::uint8_t twoBytes[2] = {0x40, 0x80};
  bus.writeTransaction(0x90, twoBytes);
  EXPECT_EQ(port.accesses(), 134u);
  port.clear();
  std::uint8_t one = 0;
  bus.readTransaction(0x70, std::span(&one, 1));
  EXPECT_EQ(port.accesses(), 75u);
  port.clear();
  std::uint8_t five[5];
  bus.readTransaction(0x90, five);  // four master acknowledges of 4 writes between five bytes
  EXPECT_EQ(port.accesses(), 2u + 43 + 5 * 24 + 4 * 4 + 3 + 3);
}

TEST_F(BusFixture, ReadTransactionSendsTheReadAddress) {
  // Given the read address itself, a read must stay a read of that chip, not become a write
  // to the next one.
  for (std::uint8_t given : {0x72, 0x73}) {
    port.clear();
    std::uint8_t byte = 0;
    bus.readTransaction(given, std::span(&byte, 1));
    // The address byte's data steps come right after the two writes of the start condition.
    std::uint8_t address = 0;
    for (std::size_t i = 0; i < 8; ++i)
      address = static_cast<std::uint8_t>((address << 1) | (port.traffic()[2 + 5 * i].value == 0x0C ? 1 : 0));
    EXPECT_EQ(address, 0x73) << int(given);
  }
}

TEST_F(BusFixture, AcknowledgeClockNeverSamples) {
  bus.BusAckClock();
  EXPECT_EQ(port.reads(), 0u);
  EXPECT_EQ(controlWrites(), (std::vector<std::uint8_t>{0x0C, 0x04, 0x0C}));
}

TEST_F(BusFixture, ProbeSamplesSdaWhileSclIsHighInTheAcknowledgeSlot) {
  struct Case {
    std::uint8_t status;
    bool acknowledged;
  };
  for (const Case& c : {Case{0x10, false}, Case{0xEF, true}, Case{0x00, true}, Case{0xFF, false}}) {
    fake.status = c.status;
    port.clear();
    EXPECT_EQ(bus.probeTransaction(0x41), c.acknowledged) << int(c.status);
    // Start 2, the address byte 40, the sampled acknowledge clock 4, stop 3.
    const auto& traffic = port.traffic();
    ASSERT_EQ(traffic.size(), 49u);
    std::uint8_t address = 0;
    for (std::size_t i = 0; i < 8; ++i)
      address = static_cast<std::uint8_t>((address << 1) | (traffic[2 + 5 * i].value == 0x0C ? 1 : 0));
    EXPECT_EQ(address, 0x40);  // the write address, whatever bit 0 was given
    EXPECT_EQ(traffic[42], (PortAccessRecord{true, 0x37A, 0x0C}));
    EXPECT_EQ(traffic[43], (PortAccessRecord{true, 0x37A, 0x04}));
    EXPECT_EQ(traffic[44], (PortAccessRecord{false, 0x379, c.status}));
    EXPECT_EQ(traffic[45], (PortAccessRecord{true, 0x37A, 0x0C}));
    EXPECT_EQ(traffic.back(), (PortAccessRecord{true, 0x37A, 0x04}));  // stop: bus idle
  }
}

TEST_F(BusFixture, NothingTouchesThePortWhileTheCardIsDisabled) {
  bus.setCardEnabled(false);
  const std::uint8_t bytes[2] = {1, 2};
  bus.writeTransaction(0x40, bytes);
  std::uint8_t in[3];
  bus.readTransaction(0x90, in);
  bus.BusRelease();
  fake.status = 0x00;  // a chip would be pulling SDA low
  EXPECT_FALSE(bus.probeTransaction(0x70));
  EXPECT_EQ(port.accesses(), 0u);
  EXPECT_EQ(in[0], 0xFF);
  EXPECT_FALSE(bus.cardEnabled());
}

TEST_F(BusFixture, PortSelectionSwitchesRegistersAtOnceWithoutTraffic) {
  bus.SelectParallelPort(0);
  EXPECT_EQ(port.accesses(), 0u);
  EXPECT_EQ(bus.selectedPort(), ParallelPortKind::Prn);
  bus.BusRelease();
  EXPECT_EQ(port.traffic().back(), (PortAccessRecord{true, 0x3BE, 0x04}));
  bus.SelectParallelPort(2);
  port.clear();
  bus.BusReadByte();
  EXPECT_EQ(port.traffic()[0].address, 0x27A);
  EXPECT_EQ(port.traffic()[1].address, 0x279);
  bus.SelectParallelPort(7);  // unknown kind: unchanged
  bus.SelectParallelPort(-1);
  EXPECT_EQ(bus.selectedPort(), ParallelPortKind::Lpt2);
  bus.SelectParallelPort(1);
  EXPECT_EQ(bus.registers().status, 0x379);
  EXPECT_EQ(bus.registers().control, 0x37A);
}

}  // namespace
}  // namespace chromaflow
