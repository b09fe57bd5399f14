#include "core/card/card_probe.h"

#include <cstdio>
#include <vector>

namespace chromaflow {
namespace {

std::string describe(const CardChip& chip) {
  char address[8];
  std::snprintf(address, sizeof address, "0x%02X", chip.address);
  return std::string(address) + " (" + chip.name + ")";
}

}  // namespace

int CardProbe::answering() const {
  int count = 0;
  for (const ChipAnswer& chip : chips) count += chip.answered ? 1 : 0;
  return count;
}

bool CardProbe::answered(std::uint8_t address) const {
  for (const ChipAnswer& chip : chips)
    if (chip.address == address) return chip.answered;
  return false;
}

std::string CardProbe::text() const {
  const std::string on = portName(port);
  if (!cardEnabled) return "Carte K8000 désactivée : rien n'est envoyé sur " + on;
  const int count = answering();
  if (count == 0) return "Aucune carte ne répond sur " + on;
  if (count == static_cast<int>(chips.size()))
    return "Carte K8000 : les " + std::to_string(count) + " circuits répondent sur " + on;

  std::vector<std::string> silent;
  for (const ChipAnswer& answer : chips) {
    if (answer.answered) continue;
    CardChip chip{answer.address, "?"};
    for (const CardChip& known : kCardChips)
      if (known.address == answer.address) chip = known;
    silent.push_back(describe(chip));
  }
  std::string list;
  for (std::size_t i = 0; i < silent.size(); ++i) {
    if (i > 0) list += i + 1 == silent.size() ? " et " : ", ";
    list += silent[i];
  }
  return "Carte K8000 sur " + on + " : " + (silent.size() == 1 ? "circuit " + list + " muet"
                                                                 : "circuits " + list + " muets");
}

}  // namespace chromaflow
