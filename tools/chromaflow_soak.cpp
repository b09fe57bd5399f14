// chromaflow-soak: the simulated machine paints the example job wall after wall for hours of
// simulated time, and checks that nothing drifts: the litres each pump gives against what the
// plan asks, the counted distance against the roller's true one, and the memory in use.
//
//   chromaflow-soak PROJECT.prv [HOURS]     (default 10 hours)

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "common/display_forms.h"
#include "sim/harness/simulation.h"

using namespace chromaflow;

namespace {

// AddressSanitizer keeps freed memory in quarantine, so the resident size says nothing there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeaningful = false;
#else
constexpr bool kMemoryIsMeaningful = true;
#endif

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

struct WallFigures {
  double litresErrorP1, litresErrorP2;  // measured minus asked by the plan, litres
  double distanceError;                 // counted minus true, metres
};

double litresCounted(const std::string& pulses, const std::string& perLitre) {
  return static_cast<double>(counterValue(pulses)) / static_cast<double>(counterValue(perLitre));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: chromaflow-soak PROJECT.prv [HOURS]\n");
    return 2;
  }
  const double hours = argc > 2 ? std::atof(argv[2]) : 10;
  sim::Simulation simulation;
  try {
    simulation.openProject(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "chromaflow-soak: %s\n", error.what());
    return 1;
  }
  simulation.start();
  simulation.startMachine({});
  const MainWindowFigures& main = simulation.control().main();
  const auto end = static_cast<long long>(hours * 3600 * 1000);

  std::vector<WallFigures> walls;
  long memoryAfterFirstWall = 0;
  while (simulation.clock().now() < end || walls.empty()) {
    const double p1Start = litresCounted(main.TrP1, main.P1trl), p2Start = litresCounted(main.TrP2, main.P2trl);
    const double askedP1Start = value(main.P1lEffect), askedP2Start = value(main.P2lEffect);
    while (!simulation.machineFinished()) simulation.tick();
    walls.push_back({litresCounted(main.TrP1, main.P1trl) - p1Start - (value(main.P1lEffect) - askedP1Start),
                     litresCounted(main.TrP2, main.P2trl) - p2Start - (value(main.P2lEffect) - askedP2Start),
                     simulation.control().state().Distance - simulation.machine()->trueDistance()});
    if (walls.size() == 1) memoryAfterFirstWall = residentKilobytes();
    simulation.startNextWall();
  }
  const long memoryAtEnd = residentKilobytes();

  double worstLitres = 0, worstDistance = 0;
  for (const WallFigures& w : walls) {
    worstLitres = std::max({worstLitres, std::fabs(w.litresErrorP1), std::fabs(w.litresErrorP2)});
    worstDistance = std::max(worstDistance, std::fabs(w.distanceError));
  }
  const WallFigures& first = walls.size() > 1 ? walls[1] : walls.front();  // the first has no hose to carry
  const WallFigures& last = walls.back();
  const double drift = std::max({std::fabs(last.litresErrorP1 - first.litresErrorP1),
                                 std::fabs(last.litresErrorP2 - first.litresErrorP2),
                                 std::fabs(last.distanceError - first.distanceError)});
  std::printf("simulated time      : %.2f h, %zu walls, %lld ticks\n",
              static_cast<double>(simulation.clock().now()) / 3.6e6, walls.size(), simulation.ticks());
  std::printf("litres per wall     : worst |measured - asked| %.3f l\n", worstLitres);
  std::printf("distance per wall   : worst |counted - true| %.4f m\n", worstDistance);
  std::printf("drift first to last : %.4f\n", drift);
  std::printf("memory (RSS)        : %ld kB after the first wall, %ld kB at the end\n", memoryAfterFirstWall, memoryAtEnd);

  // Bounds: a pump's count is off by at most a few pulses per wall; the roller by less than a
  // pulse; nothing may grow with time.
  const bool sound = worstLitres < 0.05 && worstDistance < 0.05 && drift < 0.02 &&
                     (!kMemoryIsMeaningful || memoryAtEnd - memoryAfterFirstWall < 1024);
  std::printf("%s\n", sound ? "no drift" : "DRIFT");
  return sound ? 0 : 1;
}
