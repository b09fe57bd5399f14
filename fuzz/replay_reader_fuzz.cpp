// The replay file reader on any bytes: what it reads, written out again, reads the same; and the
// first lines replayed on a session without a project, the operator's edits included, never
// crash it.

#include <cstdlib>
#include <sstream>

#include "round_trip.h"
#include "sim/harness/replay.h"
#include "sim/harness/simulation.h"

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

  // A few dozen ticks are enough to reach every edit; the reading cycle has fuzzing of its own
  // through the saved files. A fresh simulation for every input: making it is a few per cent of
  // a run (the edits and the redraws they start are the rest), and no input sees what the one
  // before it left.
  constexpr std::size_t kTicks = 48;
  sim::Simulation simulation;
  simulation.start();
  std::ostringstream messages;
  for (std::size_t i = 0; i < first.size() && i < kTicks; ++i) simulation.replay(first[i], messages);
  return 0;
}
