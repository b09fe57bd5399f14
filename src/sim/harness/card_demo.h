#pragma once
// The card layer's demonstration, as chromaflow-card-demo runs it: the K8000 through its
// initialisation, a few channel operations and the analog converters. On the simulated card it
// also plays the machine's side (roller contact closing, pressure on analog input 1). On a
// real card it switches the gun output and the mix output, which move a real machine: it only
// says what it would do unless told to drive.

#include <cstdio>
#include <ostream>
#include <string>

#include "core/card/k8000_card.h"
#include "core/card/port_choice.h"
#include "core/card/recording_port.h"
#include "sim/card/simulated_k8000.h"

namespace chromaflow::sim {

inline void printCardImage(const CardImage& image, std::ostream& out) {
  char cell[16];
  out << "  canaux   ";
  for (int n = 1; n <= kDigitalChannels; ++n) std::snprintf(cell, sizeof cell, "%3d", n), out << cell;
  out << "\n  sens     ";
  for (int n = 1; n <= kDigitalChannels; ++n) std::snprintf(cell, sizeof cell, "%3s", image.isInput(n) ? "I" : "O"), out << cell;
  out << "\n  actif    ";
  for (int n = 1; n <= kDigitalChannels; ++n) std::snprintf(cell, sizeof cell, "%3s", image.InputImage[n] ? "1" : "."), out << cell;
  out << "\n  DAC      ";
  for (int n = 1; n <= kDacChannels; ++n) std::snprintf(cell, sizeof cell, "%3d", image.DacImage[n]), out << cell;
  out << "\n  AD       ";
  for (int n = 1; n <= kAnalogInputs; ++n) std::snprintf(cell, sizeof cell, "%4d", image.AnalogInputImage[n]), out << cell;
  out << "\n  DA       " << image.DaImage[1] << "\n";
}

// The steps, in order, as the operator reads them before a real card is driven.
inline const char* const kCardDemoSteps[] = {
    "InitCard : initialisation des circuits de la carte",
    "ReadAllIoChips : lecture des 16 canaux",
    "SetOutputChannel(9) : la sortie du pistolet passe à l'état actif",
    "WriteDaChannel(1, 128) : la consigne de mélange passe à la moitié de l'échelle",
    "WriteDacChannel(2, 70) : la sortie DAC 2 à 63, son maximum",
    "ReadAdChip : lecture des quatre entrées analogiques",
};

// Runs the demonstration on `choice`'s port; `simulated` is the simulated card behind it, if
// it is one. Returns the exit status.
inline int runCardDemo(PortChoice& choice, SimulatedK8000* simulated, bool drive, std::ostream& out) {
  out << "Accès au port : " << choice.summary() << "\n";
  const bool hardware = choice.backend == PortBackend::Ppdev || choice.backend == PortBackend::DirectIo;
  if (const std::string remedy = choice.remedy(); !hardware && !remedy.empty())
    out << "Pour utiliser la carte : " << remedy << "\n";
  if (hardware && !drive) {
    out << "\nUne vraie carte répond : la démonstration y ferait, dans l'ordre :\n";
    for (const char* step : kCardDemoSteps) out << "  - " << step << "\n";
    out << "\nRien n'a été envoyé à la carte. La sortie 9 (pistolet) et la sortie DA 1 (mélange des pompes)\n"
           "commandent la machine : machine à l'arrêt et pompes coupées, relancez avec --drive pour le faire.\n";
    return 0;
  }
  if (!choice.port) {
    out << "Aucun accès au port : rien à montrer.\n";
    return 1;
  }

  RecordingPort counter(*choice.port, false);
  I2cBus bus(counter);
  K8000Card card(bus);

  auto step = [&](const std::string& what, auto&& operation) {
    counter.clear();
    operation();
    out << "\n" << what << " : " << counter.accesses() << " accès au port\n";
    printCardImage(card.image(), out);
  };

  if (simulated) simulated->setAnalogInput(1, 87);
  step("InitCard", [&] { card.InitCard(); });

  if (simulated) {
    simulated->setPulledLow(1, true);  // roller contact closed
    simulated->setPulledLow(7, true);  // pump P1 contact closed
  }
  step(simulated ? "ReadAllIoChips (contacts 1 et 7 fermés)" : "ReadAllIoChips", [&] { card.ReadAllIoChips(); });

  step("SetOutputChannel(9) : pistolet", [&] { card.SetOutputChannel(9); });
  if (simulated) out << "  broche 9 de la carte simulée : " << (simulated->pinLow(9) ? "basse" : "haute") << "\n";

  step("WriteDaChannel(1, 128) : consigne de mélange", [&] { card.WriteDaChannel(1, 128); });
  if (simulated) out << "  sortie DA de la carte simulée : " << simulated->daOutput() << "\n";

  step("WriteDacChannel(2, 70) : limité à 63", [&] { card.WriteDacChannel(2, 70); });

  if (simulated) simulated->setAnalogInput(1, 142);
  step(simulated ? "ReadAdChip (pression 142 sur l'entrée 1)" : "ReadAdChip", [&] { card.ReadAdChip(); });
  return 0;
}

}  // namespace chromaflow::sim
