#pragma once
// A recorded input sequence: one line per reading-cycle tick with the pins pulled low from
// outside, what analog input 1 converts, and the operator's actions done before the tick.
//
//   # comment
//   0041;128;start,gun
//   0040;128
//
// Field 1: four hexadecimal digits, bit n - 1 for channel n. Field 2: 0..255. Field 3, optional:
// actions separated by ",": activate, start, stop, gun, reset, hose-full, hose-empty,
// distance=V, p1-litres=V, p2-litres=V, roller.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace chromaflow::sim {

struct ReplayAction {
  enum class Kind {
    Activate, Start, Stop, Gun, Reset, HoseFull, HoseEmpty, Distance, P1Litres, P2Litres, Roller,
  } kind;
  std::string value;  // the typed value of the three entries
};

struct ReplayStep {
  std::uint16_t pulledLow = 0;
  std::uint8_t analogInput = 0;
  std::vector<ReplayAction> actions;
  int line = 0;  // where it stands in the file
};

// The steps, or a message naming the first line that cannot be read.
std::variant<std::vector<ReplayStep>, std::string> parseReplay(const std::vector<std::string>& lines);
// The lines that read back as these steps.
std::vector<std::string> formatReplay(const std::vector<ReplayStep>& steps);

// The action as a replay line writes it, e.g. "distance=2.5".
std::string actionText(const ReplayAction& action);

bool operator==(const ReplayAction& a, const ReplayAction& b);

}  // namespace chromaflow::sim
