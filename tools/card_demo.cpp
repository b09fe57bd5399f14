// A short headless run of the card layer: picks the port access as the program does, and
// drives the K8000 through its initialisation, a few channel operations and the analog
// converters. On the simulated card it also plays the machine's side: roller contact closing,
// pressure on analog input 1.

#include <cstdio>
#include <memory>

#include "card/k8000_card.h"
#include "card/port_choice.h"
#include "card/recording_port.h"
#include "sim/card/simulated_k8000.h"

using namespace chromaflow;

namespace {

void printImage(const CardImage& image) {
  std::printf("  canaux   ");
  for (int n = 1; n <= kDigitalChannels; ++n) std::printf("%3d", n);
  std::printf("\n  sens     ");
  for (int n = 1; n <= kDigitalChannels; ++n) std::printf("%3s", image.isInput(n) ? "I" : "O");
  std::printf("\n  actif    ");
  for (int n = 1; n <= kDigitalChannels; ++n) std::printf("%3s", image.InputImage[n] ? "1" : ".");
  std::printf("\n  DAC      ");
  for (int n = 1; n <= kDacChannels; ++n) std::printf("%3d", image.DacImage[n]);
  std::printf("\n  AD       ");
  for (int n = 1; n <= kAnalogInputs; ++n) std::printf("%4d", image.AnalogInputImage[n]);
  std::printf("\n  DA       %d\n", image.DaImage[1]);
}

}  // namespace

int main() {
  sim::SimulatedK8000* simulated = nullptr;
  PortChoice choice = choosePortAccess(ParallelPortKind::Lpt1, [&simulated] {
    auto card = std::make_unique<sim::SimulatedK8000>();
    simulated = card.get();
    return card;
  });
  std::printf("Accès au port : %s\n", choice.summary().c_str());

  RecordingPort counter(*choice.port, false);
  I2cBus bus(counter);
  K8000Card card(bus);

  auto step = [&](const char* what, auto&& operation) {
    counter.clear();
    operation();
    std::printf("\n%s : %llu accès au port\n", what, static_cast<unsigned long long>(counter.accesses()));
    printImage(card.image());
  };

  if (simulated) simulated->setAnalogInput(1, 87);
  step("InitCard", [&] { card.InitCard(); });

  if (simulated) {
    simulated->setPulledLow(1, true);  // roller contact closed
    simulated->setPulledLow(7, true);  // pump P1 contact closed
  }
  step("ReadAllIoChips (contacts 1 et 7 fermés)", [&] { card.ReadAllIoChips(); });

  step("SetOutputChannel(9) : pistolet", [&] { card.SetOutputChannel(9); });
  if (simulated) std::printf("  broche 9 de la carte simulée : %s\n", simulated->pinLow(9) ? "basse" : "haute");

  step("WriteDaChannel(1, 128) : consigne de mélange", [&] { card.WriteDaChannel(1, 128); });
  if (simulated) std::printf("  sortie DA de la carte simulée : %d\n", simulated->daOutput());

  step("WriteDacChannel(2, 70) : limité à 63", [&] { card.WriteDacChannel(2, 70); });

  if (simulated) simulated->setAnalogInput(1, 142);
  step("ReadAdChip (pression 142 sur l'entrée 1)", [&] { card.ReadAdChip(); });
  return 0;
}
