// The card test window's actions, run on the simulated card, and what its controls then show.

#include "core/card/card_test_panel.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/card/recording_port.h"
#include "sim/card/i2c_line_decoder.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow {
namespace {

// The bytes written to the first I/O chip, one entry per transaction.
class ChipWrites : public sim::I2cSlave {
 public:
  std::uint8_t writeAddress() const override { return kIoChipAddress[0]; }
  void addressed(bool read) override {
    if (!read) bytes.push_back(-1);
  }
  void receive(std::uint8_t byte) override { bytes.back() = byte; }
  std::uint8_t transmit() override { return 0xFF; }
  std::vector<int> bytes;
};

std::vector<int> writesToFirstChip(const RecordingPort& port) {
  ChipWrites chip;
  sim::I2cLineDecoder lines;
  lines.attach(chip);
  for (const auto& access : port.traffic())
    if (access.write) lines.drive(kK8000BusWiring.sclHighIn(access.value), kK8000BusWiring.sdaHighIn(access.value));
  return chip.bytes;
}

struct PanelFixture : ::testing::Test {
  sim::SimulatedK8000 simulated;
  RecordingPort port{simulated};
  I2cBus bus{port};
  K8000Card card{bus};
  CardTestPanel panel{card, [](ParallelPortKind kind) { return std::string("accès de ") + portName(kind); }};
  Subscription showing = card.refreshed.subscribe([this] { panel.RefreshTestWindow(); });

  void SetUp() override {
    card.InitCard();
    port.clear();
  }
  // The oscilloscope's view of the I/O pins: the channels the card drives low.
  std::vector<int> litChannels() const {
    std::vector<int> lit;
    for (int n = 1; n <= 16; ++n)
      if (simulated.drivenLow(n)) lit.push_back(n);
    return lit;
  }
};

TEST_F(PanelFixture, OutputClickMakesTheChannelAnOutputSwitchedOff) {
  simulated.setPulledLow(5, true);
  card.ReadAllIoChips();
  panel.OnClick(5);
  EXPECT_FALSE(card.image().isInput(5));
  EXPECT_FALSE(card.image().InputImage[5]);
  EXPECT_FALSE(panel.controls().In[5]);
  EXPECT_TRUE(panel.controls().On[5]);
  EXPECT_FALSE(panel.controls().CB[5]);
  panel.InClick(5);
  EXPECT_TRUE(panel.controls().In[5]);
  EXPECT_TRUE(panel.controls().CB[5]);  // pulled low from outside: active
}

TEST_F(PanelFixture, CheckingTheBoxOfAnInputChangesNothingAndTheRefreshPutsItBack) {
  const CardImage before = card.image();
  panel.CBClick(5, true);
  EXPECT_EQ(card.image().InputImage, before.InputImage);
  EXPECT_EQ(card.image().IoState, before.IoState);
  EXPECT_FALSE(simulated.drivenLow(5));
  EXPECT_TRUE(panel.controls().CB[5]);  // as the operator left it, until the next refresh
  panel.RefreshTestWindow();            // the reading cycle's next tick
  EXPECT_FALSE(panel.controls().CB[5]);

  panel.CBClick(9, true);  // channel 9 is the output InitCard leaves
  EXPECT_TRUE(simulated.drivenLow(9));
  panel.CBClick(9, false);
  EXPECT_FALSE(simulated.drivenLow(9));
  EXPECT_THROW(panel.CBClick(17, true), std::out_of_range);
}

TEST_F(PanelFixture, BarsRunUpsideDown) {
  struct Case {
    int position;
    int value;
  };
  for (const Case& c : {Case{13, 50}, Case{0, 63}, Case{63, 0}, Case{-5, 63}, Case{80, 0}}) {
    panel.ScrollBarDACChange(3, c.position);
    EXPECT_EQ(simulated.dacOutput(3), c.value) << c.position;
    EXPECT_EQ(panel.controls().ValDAC[3], std::to_string(c.value)) << c.position;
    EXPECT_EQ(panel.controls().ScrollBarDAC[3], 63 - c.value) << c.position;
  }
  EXPECT_EQ(simulated.dacOutput(2), 0);

  panel.ScrollBarDAChange(55);
  EXPECT_EQ(simulated.daOutput(), 200);
  EXPECT_EQ(panel.controls().ScrollBarDA, 55);
  EXPECT_EQ(panel.controls().ValDA, "200");
  card.WriteDaChannel(1, 400);  // a value no bar can show stands at the top
  EXPECT_EQ(panel.controls().ScrollBarDA, 0);
  EXPECT_EQ(panel.controls().ValDA, "400");
}

TEST_F(PanelFixture, AllOutputsOnAndOff) {
  panel.ButtonSetOutputClick();  // "Sorties => 1"
  panel.RefreshTestWindow();
  const CardTestControls& shown = panel.controls();
  EXPECT_EQ(litChannels().size(), 16u);
  for (int n = 1; n <= 16; ++n) EXPECT_TRUE(shown.CB[n] && shown.On[n] && !shown.In[n]) << n;
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(simulated.dacOutput(n), 63);
  EXPECT_EQ(shown.ValDAC[8], "63");
  EXPECT_EQ(shown.ScrollBarDAC[8], 0);
  EXPECT_EQ(simulated.daOutput(), 255);
  EXPECT_EQ(shown.ScrollBarDA, 0);

  panel.ButtonClearOutputClick();  // "Sorties => 0"
  panel.RefreshTestWindow();
  EXPECT_TRUE(litChannels().empty());
  for (int n = 1; n <= 16; ++n) EXPECT_TRUE(shown.On[n] && !shown.CB[n]) << n;
  EXPECT_EQ(simulated.dacOutput(5), 0);
  EXPECT_EQ(shown.ScrollBarDAC[5], 63);
  EXPECT_EQ(simulated.daOutput(), 0);
  EXPECT_EQ(shown.ScrollBarDA, 255);
}

TEST_F(PanelFixture, ReadingTheInputsMakesChannelNineAnInputAndInitGivesItBack) {
  EXPECT_TRUE(panel.controls().On[9]);
  simulated.setPulledLow(2, true);
  simulated.setAnalogInput(3, 77);
  panel.Button1Click();  // "Lecture des entrées"
  EXPECT_TRUE(card.image().isInput(9));
  EXPECT_TRUE(panel.controls().In[9]);
  EXPECT_TRUE(panel.controls().CB[2]);
  panel.RefreshTestWindow();  // the analog readings show at the next refresh
  EXPECT_EQ(panel.controls().GaugeAD[3], 77);
  EXPECT_EQ(panel.controls().ValAD[3], "77");

  const CardProbe probe = panel.Button2Click();  // "Init"
  EXPECT_TRUE(panel.controls().On[9]);
  EXPECT_EQ(probe.answering(), 4);
  const CardTestDiagnostics diagnostics = panel.diagnostics();
  EXPECT_EQ(diagnostics.port, ParallelPortKind::Lpt1);
  EXPECT_EQ(diagnostics.portAccess, "accès de Lpt1");
  ASSERT_TRUE(diagnostics.probe.has_value());
  EXPECT_TRUE(diagnostics.probe->answered(0x90));
}

TEST_F(PanelFixture, HiddenControls) {
  struct Case {
    int value;
    std::optional<int> interval;
  };
  for (const Case& c : {Case{20, 20}, Case{1, 1}, Case{10000, 10000}, Case{0, std::nullopt}, Case{-7, std::nullopt}})
    EXPECT_EQ(panel.SpinEditCycleChange(c.value), c.interval) << c.value;

  EXPECT_FALSE(panel.diagnostics().probe.has_value());
  panel.CBActivCarteClick(false);
  EXPECT_FALSE(bus.cardEnabled());
  port.clear();
  EXPECT_EQ(panel.Button2Click().text(), "Carte K8000 désactivée : rien n'est envoyé sur Lpt1");
  EXPECT_EQ(port.accesses(), 0u);
  panel.CBActivCarteClick(true);
  EXPECT_TRUE(bus.cardEnabled());
}

TEST_F(PanelFixture, RunningLightGoesUpAndDownFlashingAtTheEnds) {
  simulated.setPulledLowMask(0);
  card.WriteDaChannel(1, 120);
  panel.CBtestOutputClick(true);
  EXPECT_TRUE(panel.runningLight());
  EXPECT_TRUE(litChannels().empty());
  EXPECT_EQ(simulated.daOutput(), 0);
  for (int n = 1; n <= 16; ++n) EXPECT_FALSE(card.image().isInput(n));

  // Expected light, step by step, and whether all outputs flash on first.
  std::vector<std::pair<int, bool>> expected;
  for (int n = 1; n <= 16; ++n) expected.push_back({n, false});
  expected.push_back({16, true});
  for (int n = 15; n >= 1; --n) expected.push_back({n, false});
  expected.push_back({1, true});
  expected.push_back({2, false});

  for (const auto& [channel, flash] : expected) {
    port.clear();
    EXPECT_EQ(panel.step(), channel);
    EXPECT_EQ(litChannels(), std::vector{channel});
    // To chip 0: all on (0x00) when flashing, then all off (0xFF), then the one channel.
    const std::vector<int> writes = writesToFirstChip(port);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front() == 0x00, flash) << channel;
  }

  panel.CBtestOutputClick(false);  // stops at once, all outputs off
  EXPECT_FALSE(panel.runningLight());
  EXPECT_TRUE(litChannels().empty());
  port.clear();
  EXPECT_EQ(panel.step(), 0);
  EXPECT_EQ(port.accesses(), 0u);
  panel.CBtestOutputClick(false);  // already stopped: nothing sent
  EXPECT_EQ(port.accesses(), 0u);

  panel.CBtestOutputClick(true);  // a new run starts again from channel 1
  EXPECT_EQ(panel.step(), 1);
}

}  // namespace
}  // namespace chromaflow
