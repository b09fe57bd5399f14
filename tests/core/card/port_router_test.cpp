// The operator's choice of port reaches the port: each register goes to the access of its own
// port, opened once, and a port with nothing on it reads as nothing attached.

#include "core/card/port_router.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>

#include "core/card/k8000_card.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow {
namespace {

// A port access that remembers what reached it and answers every read with its own mark.
class MarkedPort : public PortAccess {
 public:
  MarkedPort(std::uint8_t mark, std::vector<std::uint16_t>& seen) : mark_(mark), seen_(seen) {}
  std::uint8_t readByte(std::uint16_t address) override {
    seen_.push_back(address);
    return mark_;
  }
  void writeByte(std::uint16_t address, std::uint8_t) override { seen_.push_back(address); }

 private:
  std::uint8_t mark_;
  std::vector<std::uint16_t>& seen_;
};

struct RouterFixture : ::testing::Test {
  std::map<ParallelPortKind, std::vector<std::uint16_t>> seen;
  std::vector<ParallelPortKind> opened;
  PortRouter router{[this](ParallelPortKind kind) {
    opened.push_back(kind);
    PortChoice choice;
    choice.port = std::make_unique<MarkedPort>(static_cast<std::uint8_t>(0xA0 + static_cast<int>(kind)), seen[kind]);
    choice.backend = PortBackend::Ppdev;
    choice.device = std::string("Port ") + portName(kind) + " de test";
    return choice;
  }};
};

TEST_F(RouterFixture, EachRegisterGoesToItsOwnPortOpenedOnce) {
  EXPECT_TRUE(opened.empty());  // nothing opened before it is used
  EXPECT_EQ(router.summary(ParallelPortKind::Lpt2), "Port Lpt2 pas encore utilisé");
  EXPECT_EQ(router.choice(ParallelPortKind::Lpt2), nullptr);

  struct Case {
    std::uint16_t address;
    ParallelPortKind port;
  };
  for (const Case& c : {Case{0x3BC, ParallelPortKind::Prn}, Case{0x3BE, ParallelPortKind::Prn},
                        Case{0x379, ParallelPortKind::Lpt1}, Case{0x37A, ParallelPortKind::Lpt1},
                        Case{0x278, ParallelPortKind::Lpt2}, Case{0x27A, ParallelPortKind::Lpt2}}) {
    EXPECT_EQ(router.readByte(c.address), 0xA0 + static_cast<int>(c.port)) << std::hex << c.address;
    router.writeByte(c.address, 0x55);
    EXPECT_EQ(seen[c.port].back(), c.address);
  }
  router.open(ParallelPortKind::Lpt2);  // the menu's choice, already open: kept as it is
  EXPECT_EQ(opened, (std::vector{ParallelPortKind::Prn, ParallelPortKind::Lpt1, ParallelPortKind::Lpt2}));
  EXPECT_EQ(seen[ParallelPortKind::Prn].size(), 4u);
  EXPECT_EQ(router.summary(ParallelPortKind::Lpt2), "Port Lpt2 de test");
  ASSERT_NE(router.choice(ParallelPortKind::Prn), nullptr);
  EXPECT_EQ(router.choice(ParallelPortKind::Prn)->backend, PortBackend::Ppdev);
}

TEST_F(RouterFixture, AddressesOnNoPortReadAsNothingAndOpenNothing) {
  const std::uint16_t nowhere[] = {0x0000, 0x0002, 0x0277, 0x27B, 0x37B, 0x3BB, 0x3BF, 0xFFFF};
  for (std::uint16_t address : nowhere) {
    EXPECT_EQ(router.readByte(address), 0xFF) << std::hex << address;
    router.writeByte(address, 0x00);
  }
  EXPECT_TRUE(opened.empty());
  // Once a port is in use, the shortcut to it takes only its own registers.
  router.readByte(0x37A);
  for (std::uint16_t address : nowhere) EXPECT_EQ(router.readByte(address), 0xFF) << std::hex << address;
  EXPECT_EQ(seen[ParallelPortKind::Lpt1].size(), 1u);
}

TEST(PortRouter, AnOpenerGivingNoAccessLeavesNothingAttached) {
  PortRouter router{[](ParallelPortKind) { return PortChoice{}; }};
  EXPECT_EQ(router.readByte(0x379), 0xFF);
  router.writeByte(0x37A, 0x0E);
  EXPECT_EQ(router.choice(ParallelPortKind::Lpt1)->backend, PortBackend::Nothing);
  PortRouter none{PortOpener{}};
  EXPECT_EQ(none.readByte(0x27A), 0xFF);
}

TEST(PortRouter, StandardPolicyPutsTheSimulatedCardOnLpt1Only) {
  namespace fs = std::filesystem;
  const fs::path empty = fs::path(::testing::TempDir()) / ("no-parport-" + std::to_string(::getpid()));
  fs::create_directories(empty);
  PortChoiceOptions options;
  options.ppdev.parportInfo = empty.string();  // the kernel knows no parallel port
  options.tryDirectIo = false;
  sim::SimulatedK8000* simulated = nullptr;
  int made = 0;
  PortRouter router{standardPortOpener(
      [&] {
        ++made;
        auto card = std::make_unique<sim::SimulatedK8000>();
        simulated = card.get();
        return card;
      },
      options)};
  I2cBus bus{static_cast<PortSet&>(router)};  // the bus on the selected port's own access
  K8000Card card{bus};

  EXPECT_EQ(card.ProbeCard().text(), "Carte K8000 : les 4 circuits répondent sur Lpt1");
  ASSERT_NE(simulated, nullptr);

  for (int kind : {0, 2}) {
    bus.SelectParallelPort(kind);
    const CardProbe probe = card.ProbeCard();
    EXPECT_EQ(probe.answering(), 0) << kind;
    const PortChoice* choice = router.choice(bus.selectedPort());
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->backend, PortBackend::Nothing);
    ASSERT_EQ(choice->hardwareProblems.size(), 1u);
    EXPECT_EQ(choice->hardwareProblems[0].problem, PortProblem::NoDevice);
    const std::string summary = router.summary(bus.selectedPort());
    EXPECT_NE(summary.find("rien n'y est branché"), std::string::npos) << summary;
    EXPECT_NE(summary.find("aucun périphérique"), std::string::npos) << summary;
    EXPECT_EQ(router.readByte(registersOf(bus.selectedPort()).status), 0xFF);
  }
  // Writes on the other ports never reached the card on Lpt1.
  card.SetAllOutputs();
  EXPECT_FALSE(simulated->drivenLow(1));
  EXPECT_EQ(made, 1);
  EXPECT_EQ(router.choice(ParallelPortKind::Lpt1)->backend, PortBackend::Simulated);
  fs::remove_all(empty);
}

}  // namespace
}  // namespace chromaflow
