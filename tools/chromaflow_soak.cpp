// chromaflow-soak: the simulated machine paints the example job wall after wall for hours of
// simulated time, and checks that nothing drifts: the litres each pump gives against what the
// plan asks, the counted distance against the roller's true one, and the memory in use.
//
//   chromaflow-soak PROJECT.prv [HOURS]     (default 10 hours)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "command_line.h"
#include "core/common/display_forms.h"
#include "core/common/text_file.h"
#include "sim/harness/simulation.h"

using namespace chromaflow;
using tools::InformationAsked;
using tools::UsageError;

namespace {

constexpr double kMaxHours = 10000;
constexpr long long kStandstill = 10 * 60 * 1000;  // ms

const char* const kUsage =
    "usage : chromaflow-soak PROJET.prv [HEURES]\n"
    "        chromaflow-soak PROJET.prv --hours HEURES\n"
    "        chromaflow-soak --help | --version\n";

const char* const kHelp =
    "\n"
    "La machine simulée peint le plan du projet mur après mur pendant HEURES de temps simulé\n"
    "(10 par défaut, plus que 0 et au plus 10000), puis vérifie que rien ne dérive : les litres\n"
    "de chaque pompe contre ce que demande le plan, la distance comptée contre la vraie, la\n"
    "mémoire occupée. Ce que l'ouverture du projet a rencontré (fichier manquant, valeur refusée,\n"
    "ligne laissée de côté) va sur la sortie d'erreur. Chaque option s'écrit aussi --option=valeur.\n"
    "Statut : 0 aucune dérive, 1 dérive ou échec, 2 ligne de commande refusée.\n";

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

struct Options {
  std::string project;
  double hours = 10;
};

Options parse(int argc, char** argv) {
  Options options;
  bool haveProject = false, haveHours = false;
  auto hours = [&](const std::string& text) {
    if (haveHours) throw UsageError{"la durée est donnée deux fois"};
    haveHours = true;
    options.hours = tools::boundedNumber(text, "la durée en heures", 0, kMaxHours, true);
  };
  tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    const std::string& arg = args.name();
    if (arg == "-h" || arg == "--help") args.noValue(), throw InformationAsked{std::string(kUsage) + kHelp};
    else if (arg == "--version") args.noValue(), throw InformationAsked{tools::versionText("chromaflow-soak")};
    else if (arg == "--hours") hours(args.value());
    else if (args.isOption() && !haveProject) throw UsageError{"option inconnue " + arg};
    else if (!haveProject) options.project = arg, haveProject = true;
    else hours(arg);  // a negative number is a refused duration, not an option
  }
  if (!haveProject) throw UsageError{"il faut un projet"};
  return options;
}

// One wall's figures: measured minus asked by the plan (litres), counted minus true (metres).
struct WallFigures {
  double litresErrorP1, litresErrorP2, distanceError;
};

// The walls' figures as running totals and extremes: hours of walls take no more memory than one.
struct WallTotals {
  long long walls = 0;
  double worstLitres = 0, worstDistance = 0;
  std::optional<WallFigures> reference;  // the second wall: the first has no hose to carry
  WallFigures first{}, last{};

  void add(const WallFigures& w) {
    if (walls == 0) first = w;
    if (walls == 1) reference = w;
    last = w;
    ++walls;
    worstLitres = std::max({worstLitres, std::fabs(w.litresErrorP1), std::fabs(w.litresErrorP2)});
    worstDistance = std::max(worstDistance, std::fabs(w.distanceError));
  }
  double drift() const {
    const WallFigures& from = reference ? *reference : first;
    return std::max({std::fabs(last.litresErrorP1 - from.litresErrorP1),
                     std::fabs(last.litresErrorP2 - from.litresErrorP2),
                     std::fabs(last.distanceError - from.distanceError)});
  }
};

double litresCounted(const std::string& pulses, const std::string& perLitre) {
  const long long rate = counterValue(perLitre);
  return rate != 0 ? static_cast<double>(counterValue(pulses)) / static_cast<double>(rate) : 0;
}

int run(const Options& options) {
  sim::Simulation simulation;
  simulation.openProject(options.project);
  tools::showOpenReport(simulation.openReport());
  if (const auto problem = simulation.planProblem())
    throw FileError("rien à peindre : " + *problem);
  simulation.start();
  simulation.startMachine({});
  const MainWindowFigures& main = simulation.control().main();
  const auto end = static_cast<long long>(options.hours * 3600 * 1000);
  tools::Progress progress("chromaflow-soak");

  WallTotals totals;
  long memoryAfterFirstWall = 0;
  // The whole soak as one job record, never started again: each wall turns the roller back to
  // the start. Its memory must not grow with the hours.
  JobRecord wholeRun;
  std::size_t recordAfterFirstWall = 0;
  const Subscription recording =
      simulation.session().ticked.subscribe([&] { wholeRun.record(simulation.session().jobTick(), simulation.control().path()); });
  bool cutShort = false;
  while (simulation.clock().now() < end) {
    const double p1Start = litresCounted(main.TrP1, main.P1trl), p2Start = litresCounted(main.TrP2, main.P2trl);
    const double askedP1Start = value(main.P1lEffect), askedP2Start = value(main.P2lEffect);
    const long long wallStart = simulation.clock().now();
    // A wall that is not done by the end of the soak (or that stands still) is not counted.
    double lastArea = -1, lastHose = -1;
    long long lastMove = wallStart;
    while (!simulation.machineFinished() && simulation.clock().now() < end) {
      simulation.tick();
      const sim::PaintMachine& machine = *simulation.machine();
      if (machine.trueArea() != lastArea || machine.hoseLitres() != lastHose) {
        lastArea = machine.trueArea();
        lastHose = machine.hoseLitres();
        lastMove = simulation.clock().now();
      }
      if (simulation.clock().now() - lastMove > kStandstill)
        throw FileError("le rouleau n'avance plus depuis dix minutes sur le plan de " + options.project +
                        " (surfaces sans hauteur ?)");
      progress.update([&] {
        char text[96];
        std::snprintf(text, sizeof text, "%.2f h sur %g, %lld murs", static_cast<double>(simulation.clock().now()) / 3.6e6,
                      options.hours, totals.walls);
        return std::string(text);
      });
    }
    if (!simulation.machineFinished()) {
      cutShort = true;
      break;
    }
    if (simulation.clock().now() == wallStart)
      throw FileError("le plan de " + options.project + " se peint sans que le temps passe (surfaces sans longueur ?)");
    totals.add({litresCounted(main.TrP1, main.P1trl) - p1Start - (value(main.P1lEffect) - askedP1Start),
                litresCounted(main.TrP2, main.P2trl) - p2Start - (value(main.P2lEffect) - askedP2Start),
                simulation.control().state().Distance - simulation.machine()->trueDistance()});
    if (totals.walls == 1) {
      memoryAfterFirstWall = residentKilobytes();
      recordAfterFirstWall = wholeRun.memoryBytes();
    }
    simulation.startNextWall();
  }
  progress.finish();
  if (totals.walls == 0) {
    std::fprintf(stderr, "chromaflow-soak : aucun mur achevé en %g h simulées ; rien à juger\n", options.hours);
    return 1;
  }
  const long memoryAtEnd = residentKilobytes();
  const double drift = totals.drift();

  std::printf("Temps simulé           : %.2f h, %lld murs, %lld cycles%s\n",
              static_cast<double>(simulation.clock().now()) / 3.6e6, totals.walls, simulation.ticks(),
              cutShort ? " (le dernier mur, inachevé, n'est pas compté)" : "");
  std::printf("Litres par mur         : pire |mesuré - demandé| %.3f l\n", totals.worstLitres);
  std::printf("Distance par mur       : pire |comptée - vraie| %.3f m\n", totals.worstDistance);
  std::printf("Dérive du 2e au dernier: %.3f\n", drift);
  std::printf("Mémoire (RSS)          : %ld ko après le premier mur, %ld ko à la fin\n", memoryAfterFirstWall,
              memoryAtEnd);
  // The record may grow only by its alarms, which stop at their bound.
  const std::size_t recordBound = recordAfterFirstWall + JobRecord::kMaxAlarms * sizeof(RecordedAlarm);
  std::printf("Rapport de chantier    : %zu octets après le premier mur, %zu à la fin (%zu alarmes gardées, %lld "
              "au-delà), borne %zu\n",
              recordAfterFirstWall, wholeRun.memoryBytes(), wholeRun.alarms().size(), wholeRun.alarmsNotKept(),
              recordBound);

  // Bounds: a pump's count is off by at most a few pulses per wall; the roller by less than a
  // pulse; nothing may grow with time.
  const bool sound = totals.worstLitres < 0.05 && totals.worstDistance < 0.05 && drift < 0.02 &&
                     (!kMemoryIsMeaningful || memoryAtEnd - memoryAfterFirstWall < 1024) &&
                     wholeRun.memoryBytes() <= recordBound;
  std::printf("Verdict                : %s\n", sound ? "aucune dérive" : "DÉRIVE");
  return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  removeStagedFilesOnSignal();
  return tools::runTool("chromaflow-soak", std::string(kUsage) + "(chromaflow-soak --help pour l'aide)\n", [&] { return run(parse(argc, argv)); });
}
