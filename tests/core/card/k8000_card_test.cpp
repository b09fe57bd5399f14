// The card's operations end to end: through the bus, the simulated port's registers and the
// simulated chips, and back into the card image.

#include "core/card/k8000_card.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "core/card/recording_port.h"
#include "sim/card/i2c_line_decoder.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow {
namespace {

// Listens on the bus for one address and keeps the data bytes written to it.
class BusSpy : public sim::I2cSlave {
 public:
  explicit BusSpy(std::uint8_t address) : address_(address) {}
  std::uint8_t writeAddress() const override { return address_; }
  void addressed(bool read) override {
    if (!read) transactions.emplace_back();
  }
  void receive(std::uint8_t byte) override { transactions.back().push_back(byte); }
  std::uint8_t transmit() override { return 0xFF; }
  std::vector<std::vector<std::uint8_t>> transactions;

 private:
  std::uint8_t address_;
};

// The data bytes written to `address` in the recorded traffic, transaction by transaction.
std::vector<std::vector<std::uint8_t>> writesTo(const RecordingPort& port, std::uint8_t address) {
  BusSpy spy(address);
  sim::I2cLineDecoder lines;
  lines.attach(spy);
  for (const auto& access : port.traffic())
    if (access.write && access.address == registersOf(ParallelPortKind::Lpt1).control)
      lines.drive(kK8000BusWiring.sclHighIn(access.value), kK8000BusWiring.sdaHighIn(access.value));
  return spy.transactions;
}

struct CardFixture : ::testing::Test {
  sim::SimulatedK8000 simulated;
  RecordingPort port{simulated};
  I2cBus bus{port};
  K8000Card card{bus};
  int refreshes = 0;
  Subscription counting = card.refreshed.subscribe([this] { ++refreshes; });

  void initialise() {
    card.InitCard();
    port.clear();
    refreshes = 0;
  }
};

TEST_F(CardFixture, InitCardLeavesChannelNineTheOnlyOutputAndEverythingAtZero) {
  card.MakeAllChannelsOutput();
  card.SetAllOutputs();
  card.SetAllDac();
  card.SetAllDa();
  bus.SelectParallelPort(0);
  simulated.setAnalogInput(1, 10);
  simulated.setAnalogInput(2, 20);
  simulated.setAnalogInput(3, 30);
  simulated.setAnalogInput(4, 40);

  card.InitCard();

  EXPECT_EQ(bus.selectedPort(), ParallelPortKind::Lpt1);
  const CardImage& image = card.image();
  EXPECT_EQ(image.IoDirection[0], 0xFF);
  EXPECT_EQ(image.IoDirection[1], 0xFE);
  for (int n = 1; n <= 16; ++n) {
    EXPECT_FALSE(image.InputImage[n]) << n;
    EXPECT_FALSE(simulated.pinLow(n)) << n;  // every pin released, channel 9 switched off
  }
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(image.DacImage[n], 0);
    EXPECT_EQ(simulated.dacOutput(n), 0);
  }
  EXPECT_EQ(image.DaImage[1], 0);
  EXPECT_EQ(simulated.daOutput(), 0);
  EXPECT_EQ(image.AnalogInputImage[1], 10);
  EXPECT_EQ(image.AnalogInputImage[4], 40);
}

TEST_F(CardFixture, ReadingGivesThePinLevelsPulledFromOutside) {
  initialise();
  for (int channel : {1, 3, 7, 12}) simulated.setPulledLow(channel, true);
  card.ReadAllIoChips();
  EXPECT_EQ(port.accesses(), 150u);
  EXPECT_EQ(card.image().IoState[0], 0b0100'0101);
  EXPECT_EQ(card.image().IoState[1], 0b0000'1000);
  for (int n = 1; n <= 16; ++n) EXPECT_EQ(card.image().InputImage[n], n == 1 || n == 3 || n == 7 || n == 12) << n;
  EXPECT_EQ(refreshes, 0);

  simulated.setPulledLowMask(0xFFFF);
  card.ReadAllIoChips();
  EXPECT_EQ(card.image().IoState[0], 0xFF);
  EXPECT_EQ(card.image().IoState[1], 0xFF);
  simulated.setPulledLowMask(0);
  card.ReadAllIoChips();
  EXPECT_EQ(card.image().IoState[0], 0x00);
}

TEST_F(CardFixture, SwitchingAnOutputDrivesItsPinAndReadsBackActive) {
  initialise();
  card.SetOutputChannel(9);
  EXPECT_TRUE(simulated.pinLow(9));
  EXPECT_TRUE(card.image().InputImage[9]);
  EXPECT_EQ(port.accesses(), 91u);  // one write transaction of one byte
  card.ReadIoChip(1);
  EXPECT_TRUE(card.image().InputImage[9]);  // a lit output reads as active
  card.ClearOutputChannel(9);
  EXPECT_FALSE(simulated.pinLow(9));
  EXPECT_FALSE(card.image().InputImage[9]);
}

TEST_F(CardFixture, SwitchingAnInputChangesNeitherPinNorImage) {
  initialise();
  simulated.setPulledLow(5, true);
  card.ReadAllIoChips();
  const CardImage before = card.image();
  port.clear();
  card.SetOutputChannel(3);
  EXPECT_EQ(writesTo(port, 0x70), (std::vector<std::vector<std::uint8_t>>{{0xFF}}));
  EXPECT_FALSE(simulated.drivenLow(3));
  EXPECT_EQ(card.image().IoState, before.IoState);
  EXPECT_EQ(card.image().InputImage, before.InputImage);
}

TEST_F(CardFixture, MakeChannelOutputReleasesThePin) {
  initialise();
  port.clear();
  card.MakeChannelOutput(9);
  EXPECT_FALSE(card.image().InputImage[9]);
  const auto writes = writesTo(port, 0x72);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0][0] & 1, 1);
  EXPECT_EQ(refreshes, 1);
}

TEST_F(CardFixture, SetAllOutputsSendsZerosWhenEveryChannelIsAnOutput) {
  initialise();
  card.MakeAllChannelsOutput();
  port.clear();
  card.SetAllOutputs();
  EXPECT_EQ(writesTo(port, 0x70), (std::vector<std::vector<std::uint8_t>>{{0x00}}));
  EXPECT_EQ(writesTo(port, 0x72), (std::vector<std::vector<std::uint8_t>>{{0x00}}));
  for (int n = 1; n <= 16; ++n) {
    EXPECT_TRUE(card.image().InputImage[n]);
    EXPECT_TRUE(simulated.pinLow(n));
  }
}

TEST_F(CardFixture, MakingAnInputReleasesAndReadsThePin) {
  initialise();
  card.MakeAllChannelsOutput();
  card.SetAllOutputs();
  simulated.setPulledLow(4, true);
  card.MakeChannelInput(4);
  EXPECT_TRUE(card.image().isInput(4));
  EXPECT_FALSE(simulated.drivenLow(4));
  EXPECT_TRUE(card.image().InputImage[4]);  // pulled low from outside
  simulated.setPulledLow(4, false);
  card.MakeAllChannelsInput();
  EXPECT_EQ(card.image().IoDirection[0], 0xFF);
  EXPECT_EQ(card.image().IoDirection[1], 0xFF);
  for (int n = 1; n <= 16; ++n) EXPECT_FALSE(simulated.pinLow(n));
}

TEST_F(CardFixture, DacValuesAreClampedToSixBitsOnTheChip) {
  initialise();
  card.WriteDacChannel(2, 70);
  EXPECT_EQ(writesTo(port, 0x40), (std::vector<std::vector<std::uint8_t>>{{0xF1, 63}}));
  EXPECT_EQ(card.image().DacImage[2], 63);
  EXPECT_EQ(simulated.dacOutput(2), 63);
  EXPECT_EQ(simulated.dacOutput(3), 0);
  card.WriteDacChannel(5, 17);
  EXPECT_EQ(simulated.dacOutput(5), 17);
  port.clear();
  card.WriteDacChip();
  EXPECT_EQ(writesTo(port, 0x40), (std::vector<std::vector<std::uint8_t>>{{0, 0, 63, 0, 0, 17, 0, 0, 0}}));
  card.SetAllDac();
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(simulated.dacOutput(n), 63);
  card.ClearAllDac();
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(simulated.dacOutput(n), 0);
  EXPECT_EQ(refreshes, 0);
}

TEST_F(CardFixture, DaOutputKeepsTheImageAndSendsAByte) {
  initialise();
  card.WriteDaChannel(1, 200);
  EXPECT_EQ(port.accesses(), 134u);
  EXPECT_EQ(simulated.daOutput(), 200);
  EXPECT_EQ(card.image().DaImage[1], 200);
  EXPECT_EQ(refreshes, 1);
  card.WriteDaChannel(1, 300);
  EXPECT_EQ(card.image().DaImage[1], 300);
  EXPECT_EQ(simulated.daOutput(), 255);  // the nearer bound, not 300 mod 256
  card.WriteDaChannel(1, -4);
  EXPECT_EQ(simulated.daOutput(), 0);
  card.SetAllDa();
  EXPECT_EQ(simulated.daOutput(), 255);
  card.ClearDaChannel(1);
  EXPECT_EQ(simulated.daOutput(), 0);
}

TEST_F(CardFixture, AnalogReadSkipsThePreviousConversion) {
  initialise();
  simulated.setAnalogInput(1, 11);
  simulated.setAnalogInput(2, 22);
  simulated.setAnalogInput(3, 33);
  simulated.setAnalogInput(4, 44);
  card.ReadAdChip();
  EXPECT_EQ(writesTo(port, 0x90), (std::vector<std::vector<std::uint8_t>>{{0x44}}));
  const auto& analog = card.image().AnalogInputImage;
  EXPECT_EQ((std::vector<int>{analog[1], analog[2], analog[3], analog[4]}), (std::vector<int>{11, 22, 33, 44}));
  simulated.setAnalogInput(1, 250);
  card.ReadAllInputs();
  EXPECT_EQ(card.image().AnalogInputImage[1], 250);
}

TEST_F(CardFixture, ChannelsOutOfRangeAreRefusedBeforeAnyTraffic) {
  initialise();
  const CardImage before = card.image();
  EXPECT_THROW(card.SetOutputChannel(0), std::out_of_range);
  EXPECT_THROW(card.SetOutputChannel(17), std::out_of_range);
  EXPECT_THROW(card.ClearOutputChannel(-3), std::out_of_range);
  EXPECT_THROW(card.MakeChannelInput(17), std::out_of_range);
  EXPECT_THROW(card.MakeChannelOutput(25), std::out_of_range);
  EXPECT_THROW(card.ReadChannelChip(0), std::out_of_range);
  EXPECT_THROW(card.WriteIoChip(2, 0), std::out_of_range);
  EXPECT_THROW(card.ReadIoChip(-1), std::out_of_range);
  EXPECT_THROW(card.WriteDacChannel(9, 1), std::out_of_range);
  EXPECT_THROW(card.WriteDaChannel(2, 1), std::out_of_range);
  EXPECT_EQ(port.accesses(), 0u);
  EXPECT_EQ(refreshes, 0);
  EXPECT_EQ(card.image().IoDirection, before.IoDirection);
  EXPECT_EQ(card.image().IoState, before.IoState);
  EXPECT_EQ(card.image().DacImage, before.DacImage);
  EXPECT_EQ(card.image().DaImage, before.DaImage);
}

TEST_F(CardFixture, DisabledCardWritesNothingButTheImageFollows) {
  bus.setCardEnabled(false);
  card.InitCard();
  card.WriteDaChannel(1, 77);
  EXPECT_EQ(port.accesses(), 0u);
  EXPECT_EQ(card.image().DaImage[1], 77);
  EXPECT_EQ(simulated.daWrites(), 0u);
}

TEST_F(CardFixture, InitCardCostsAKnownNumberOfAccesses) {
  card.InitCard();
  // release 1; all inputs 2 x (91 + 75); output 9: 91; DAC chip: 9 bytes; DA: 134; inputs 2 x 75 + 91 + 172
  EXPECT_EQ(port.accesses(), 1u + 2 * (91 + 75) + 91 + (2 + 10 * 43 + 3) + 134 + 150 + 91 + (2 + 43 + 5 * 24 + 4 * 4 + 3 + 3));
}

// What a probe may not move: the card image and every chip of the simulated card.
std::vector<int> snapshot(const K8000Card& card, const sim::SimulatedK8000& simulated) {
  const CardImage& image = card.image();
  std::vector<int> values{image.IoDirection[0], image.IoDirection[1], image.IoState[0], image.IoState[1],
                          image.DaImage[1], simulated.daOutput(), static_cast<int>(simulated.daWrites())};
  for (int n = 1; n <= 16; ++n) values.insert(values.end(), {image.InputImage[n], simulated.drivenLow(n)});
  for (int n = 1; n <= 8; ++n) values.insert(values.end(), {image.DacImage[n], simulated.dacOutput(n)});
  for (int n = 1; n <= 4; ++n) values.push_back(image.AnalogInputImage[n]);
  return values;
}

TEST_F(CardFixture, ProbeFindsTheFourChipsAndChangesNothing) {
  initialise();
  card.MakeChannelOutput(12);
  card.SetOutputChannel(12);
  card.WriteDacChannel(4, 33);
  card.WriteDaChannel(1, 180);
  for (int n = 1; n <= 4; ++n) simulated.setAnalogInput(n, static_cast<std::uint8_t>(40 * n));
  const std::vector<int> before = snapshot(card, simulated);
  port.clear();
  refreshes = 0;

  const CardProbe probe = card.ProbeCard();

  EXPECT_EQ(port.accesses(), 4u * 49);
  EXPECT_EQ(refreshes, 0);
  EXPECT_EQ(probe.answering(), 4);
  for (std::uint8_t address : {0x70, 0x72, 0x40, 0x90}) EXPECT_TRUE(probe.answered(address)) << int(address);
  EXPECT_EQ(probe.text(), "Carte K8000 : les 4 circuits répondent sur Lpt1");
  EXPECT_EQ(snapshot(card, simulated), before);

  // The chips carry on as before: the converter still reads from its control byte's input, the
  // DAC still takes an instruction byte first.
  card.ReadAdChip();
  EXPECT_EQ(card.image().AnalogInputImage[1], 40);
  EXPECT_EQ(card.image().AnalogInputImage[4], 160);
  card.WriteDacChannel(6, 9);
  EXPECT_EQ(simulated.dacOutput(6), 9);
  EXPECT_EQ(simulated.dacOutput(4), 33);
}

TEST_F(CardFixture, NoCardAnswersOnAnEmptyPortOrWhileDisabled) {
  initialise();
  const std::vector<int> before = snapshot(card, simulated);

  bus.SelectParallelPort(ParallelPortKind::Lpt2);  // nothing attached there: every register 0xFF
  CardProbe empty = card.ProbeCard();
  EXPECT_EQ(empty.answering(), 0);
  EXPECT_EQ(empty.text(), "Aucune carte ne répond sur Lpt2");

  bus.SelectParallelPort(ParallelPortKind::Lpt1);
  bus.setCardEnabled(false);
  port.clear();
  CardProbe disabled = card.ProbeCard();
  EXPECT_EQ(port.accesses(), 0u);
  EXPECT_EQ(disabled.answering(), 0);
  EXPECT_FALSE(disabled.cardEnabled);
  EXPECT_EQ(disabled.text(), "Carte K8000 désactivée : rien n'est envoyé sur Lpt1");
  EXPECT_EQ(snapshot(card, simulated), before);
}

TEST(CardProbe, TextNamesEverySilentChip) {
  struct Case {
    std::array<bool, 4> answered;  // 0x70, 0x72, 0x40, 0x90
    ParallelPortKind port;
    const char* text;
  };
  const Case cases[] = {
      {{true, true, true, true}, ParallelPortKind::Prn, "Carte K8000 : les 4 circuits répondent sur Prn"},
      {{false, false, false, false}, ParallelPortKind::Lpt1, "Aucune carte ne répond sur Lpt1"},
      {{true, false, true, true}, ParallelPortKind::Lpt2, "Carte K8000 sur Lpt2 : circuit 0x72 (E/S 9-16) muet"},
      {{true, true, false, false}, ParallelPortKind::Lpt1,
       "Carte K8000 sur Lpt1 : circuits 0x40 (DAC) et 0x90 (AD/DA) muets"},
      {{false, false, true, false}, ParallelPortKind::Lpt1,
       "Carte K8000 sur Lpt1 : circuits 0x70 (E/S 1-8), 0x72 (E/S 9-16) et 0x90 (AD/DA) muets"},
  };
  for (const Case& c : cases) {
    CardProbe probe;
    probe.port = c.port;
    for (std::size_t i = 0; i < 4; ++i) probe.chips[i] = {kCardChips[i].address, c.answered[i]};
    EXPECT_EQ(probe.text(), c.text);
  }
  EXPECT_FALSE(CardProbe{}.answered(0x50));  // not a chip of the card
}

}  // namespace
}  // namespace chromaflow
