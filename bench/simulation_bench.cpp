// How fast the simulated machine paints the example job: simulated seconds per wall-clock
// second, the whole core and card included.

#include <benchmark/benchmark.h>

#include "sim/harness/simulation.h"

namespace {

void BM_PaintExampleJob(benchmark::State& state) {
  double simulatedSeconds = 0;
  for (auto _ : state) {
    chromaflow::sim::Simulation simulation;
    simulation.openProject(std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv");
    simulation.start();
    simulation.startMachine({});
    while (!simulation.machineFinished()) simulation.tick();
    simulatedSeconds += static_cast<double>(simulation.clock().now()) / 1000;
  }
  state.counters["simulated_s_per_s"] = benchmark::Counter(simulatedSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintExampleJob)->Unit(benchmark::kMillisecond);

}  // namespace
