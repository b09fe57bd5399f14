// Port accesses and time per card operation on the simulated card: the cost the 20 ms reading
// cycle pays for reading the card and writing the mix setpoint.

#include <benchmark/benchmark.h>

#include "core/card/k8000_card.h"
#include "core/card/recording_port.h"
#include "core/control/input_acquisition.h"
#include "sim/card/simulated_k8000.h"

namespace {

using namespace chromaflow;

struct Rig {
  sim::SimulatedK8000 simulated;
  RecordingPort counter{simulated, false};
  I2cBus bus{counter};
  K8000Card card{bus};
  Rig() { card.InitCard(); }
};

template <typename Operation>
void measure(benchmark::State& state, Operation operation) {
  Rig rig;
  rig.counter.clear();
  int step = 0;
  for (auto _ : state) {
    rig.simulated.setPulledLowMask(static_cast<std::uint16_t>(step++ & 0x45));  // inputs moving
    operation(rig.card, step);
  }
  state.counters["port_accesses"] =
      benchmark::Counter(static_cast<double>(rig.counter.accesses()), benchmark::Counter::kAvgIterations);
}

void BM_ReadAllIoChips(benchmark::State& state) {
  measure(state, [](K8000Card& card, int) { card.ReadAllIoChips(); });
}
BENCHMARK(BM_ReadAllIoChips);

// One period of the acquisition thread (both I/O chips read, every change counted), and the
// reading cycle's capture of what was counted every tenth period.
void BM_AcquisitionPeriod(benchmark::State& state) {
  Rig rig;
  InputAcquisition acquisition(rig.card, {.askRealTime = false});
  rig.counter.clear();
  std::int64_t now = 0;
  int step = 0;
  for (auto _ : state) {
    rig.simulated.setPulledLowMask(static_cast<std::uint16_t>(step++ & 0x45));
    acquisition.samplePeriod(now += 2000);
    if (step % 10 == 0) benchmark::DoNotOptimize(acquisition.capture());
  }
  state.counters["port_accesses"] =
      benchmark::Counter(static_cast<double>(rig.counter.accesses()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AcquisitionPeriod);

void BM_WriteDaChannel(benchmark::State& state) {
  measure(state, [](K8000Card& card, int step) { card.WriteDaChannel(1, step & 0xFF); });
}
BENCHMARK(BM_WriteDaChannel);

void BM_ProbeCard(benchmark::State& state) {
  measure(state, [](K8000Card& card, int) { benchmark::DoNotOptimize(card.ProbeCard()); });
}
BENCHMARK(BM_ProbeCard);

void BM_InitCard(benchmark::State& state) {
  measure(state, [](K8000Card& card, int) { card.InitCard(); });
}
BENCHMARK(BM_InitCard);

}  // namespace
