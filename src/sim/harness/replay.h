#pragma once
// A recorded input sequence: one line per reading-cycle tick with the pins pulled low from
// outside, what analog input 1 converts, and the operator's actions done before the tick.
//
//   # comment
//   0041;128;start,gun
//   0040;128;surface-ok=2:2.5:4,panel=EditRetard:2%2C5
//
// Field 1: four hexadecimal digits, bit n - 1 for channel n. Field 2: 0..255. Field 3, optional:
// actions separated by ",". An action is a name, or a name, "=" and its values separated by
// ":"; in a value any byte may be written %XX (hexadecimal), so that "," ":" ";" "%" and blanks
// can be given: "2,5" is 2%2C5.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace chromaflow::sim {

struct ReplayAction {
  enum class Kind {
    // The main window's buttons and entries.
    Activate, Start, Stop, Gun, Reset, HoseFull, HoseEmpty, Distance, P1Litres, P2Litres, Roller,
    // The pointer on the main window's images.
    PointMove, PointInsert, PointDelete, TravelledDrag, HoseDrag,
    // The plan window's row editors.
    SurfaceOk, SurfaceInsert, SurfaceDelete, SurfaceDeleteAll,
    PropOk, PropInsert, PropDelete, PropDeleteAll,
    // The colour window's picker.
    ColourOk, ColourDelete, ColourDeleteAll,
    // The settings and correction windows' entries.
    Panel, Spin, Preset, Correction,
    // The plan window's initial conditions.
    HoseState, StartProportion, Anticipation, MixingLead,
  } kind;
  std::vector<std::string> values;  // decoded: "2%2C5" is "2,5"
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

// The action as a replay line writes it, e.g. "distance=2.5" or "prop-ok=2:5%2C5:40".
std::string actionText(const ReplayAction& action);

// Why the action cannot be made as it stands (a value missing or of the wrong kind), or nothing;
// parseReplay gives only actions without one.
std::optional<std::string> problemWith(const ReplayAction& action);

// A whole number of a replay value: pixels, rows, proportions, components.
bool readInteger(const std::string& text, int& value);

bool operator==(const ReplayAction& a, const ReplayAction& b);

}  // namespace chromaflow::sim
