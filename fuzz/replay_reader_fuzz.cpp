// The replay file reader on any bytes: what it reads, written out again, reads the same.

#include <cstdlib>

#include "round_trip.h"
#include "sim/harness/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  using Steps = std::vector<sim::ReplayStep>;
  const auto parsed = sim::parseReplay(linesOfBytes(fuzz::bytesOf(data, size)));
  if (!std::holds_alternative<Steps>(parsed)) return 0;
  const Steps& first = std::get<Steps>(parsed);
  const auto again = sim::parseReplay(sim::formatReplay(first));
  if (!std::holds_alternative<Steps>(again)) std::abort();
  const Steps& second = std::get<Steps>(again);
  if (first.size() != second.size()) std::abort();
  for (std::size_t i = 0; i < first.size(); ++i)
    if (first[i].pulledLow != second[i].pulledLow || first[i].analogInput != second[i].analogInput ||
        first[i].actions != second[i].actions)
      std::abort();
  return 0;
}
