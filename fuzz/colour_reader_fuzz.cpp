// The colour file reader on any bytes; every proportion then has a colour without a crash. One
// table serves every input, emptied before each read as "&Ouvrir" empties it.

#include "core/plan/colour_table.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  static ColourTable& table = *new ColourTable;
  fuzz::requireStableRoundTrip(fuzz::bytesOf(data, size), [](const std::vector<std::string>& lines) {
    table.NewColours();
    table.applyFileLines(lines);  // ends with the table refreshed
    for (int p = -1; p <= 101; ++p) table.ColourOfProportion(static_cast<float>(p) + 0.5f);
    table.UpdateGaugeColours();
    return bytesOfLines(table.fileLines());
  });
  return 0;
}
