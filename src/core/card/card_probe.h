#pragma once
// Which of the card's chips acknowledged their address, and one line saying so to the operator.

#include <array>
#include <cstdint>
#include <string>

#include "core/card/k8000_chips.h"
#include "core/card/parallel_port.h"

namespace chromaflow {

struct ChipAnswer {
  std::uint8_t address = 0;
  bool answered = false;
};

struct CardProbe {
  ParallelPortKind port = ParallelPortKind::Lpt1;
  bool cardEnabled = true;  // disabled: nothing went out, so nothing could answer
  std::array<ChipAnswer, kCardChips.size()> chips{};

  int answering() const;
  // Whether the chip at this write address answered; false for an address not on the card.
  bool answered(std::uint8_t address) const;
  // "Carte K8000 : les 4 circuits répondent sur Lpt1", "Aucune carte ne répond sur Lpt1",
  // "Carte K8000 sur Lpt1 : circuit 0x40 (DAC) muet", ...
  std::string text() const;
};

}  // namespace chromaflow
