// chromaflow-live: the program's real loop without a window, to see whether a machine keeps up:
// the acquisition thread counting the inputs every 2 ms, the reading cycle on Qt timers, the
// simulated paint machine on the wall clock, and, if asked, an operator moving a point of the
// proportion chart every 100 ms. One line at the end says what was lost.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "core/card/machine_wiring.h"
#include "core/session/pointer_editing.h"
#include "core/session/session.h"
#include "gui/main/realtime_kit.h"
#include "gui/widgets/qt_timers.h"
#include "sim/card/simulated_k8000.h"
#include "sim/harness/attached_machine.h"

using namespace chromaflow;

namespace {

using tools::UsageError;

const char* const kUsage =
    "usage : chromaflow-live PROJET.prv [--seconds S] [--edits] [--speed M_PAR_MIN] [--period MS]\n"
    "        chromaflow-live --help | --version\n";

const char* const kHelp =
    "\n"
    "La boucle réelle du programme, sans fenêtre : le fil d'acquisition qui compte les entrées,\n"
    "le cycle de lecture sur les minuteries de Qt, la machine simulée à l'heure de l'horloge.\n"
    "Une ligne à la fin dit ce qui a été perdu :\n"
    "  live: seconds=S ticks=N missed=M tick_p99_ms=X tick_max_ms=Y sample_p99_ms=A\n"
    "        sample_max_ms=B pulses_made=T pulses_counted=C lost=K edit_max_ms=E priority=P\n"
    "\n"
    "  PROJET.prv         le chantier peint, « Start » et pistolet en marche\n"
    "  --seconds S        durée de la vérification, de 1 à 86400 s (défaut 10)\n"
    "  --edits            un opérateur déplace un point du graphique des proportions toutes les\n"
    "                     100 ms et le remet en place ; edit_max_ms est le plus long\n                     de ces gestes\n"
    "  --speed M_PAR_MIN  vitesse du rouleau, de 0.1 à 200 m/min (défaut 10)\n"
    "  --period MS        période de l'acquisition, nombre entier de 1 à 5 ms (défaut 2)\n"
    "  --help, --version  cette aide, la version\n"
    "\n"
    "priority : fifo (temps réel), rtkit (temps réel accordé par RealtimeKit) ou normal.\n"
    "Statut : 0 rien de perdu, 3 des impulsions perdues, 1 échec, 2 ligne de commande refusée.\n";

struct LiveOptions {
  std::string project;
  double seconds = 10;
  bool edits = false;
  double speed = 10;
  int periodMilliseconds = 2;
};

LiveOptions readOptions(int argc, char** argv) {
  LiveOptions options;
  tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    const std::string& name = args.name();
    if (name == "--seconds") {
      options.seconds = tools::boundedNumber(args.value(), "--seconds", 1, 86400);
    } else if (name == "--edits") {
      args.noValue();
      options.edits = true;
    } else if (name == "--speed") {
      options.speed = tools::boundedNumber(args.value(), "--speed", 0.1, 200);
    } else if (name == "--period") {
      options.periodMilliseconds = tools::boundedWholeNumber(args.value(), "--period", 1, 5);
    } else if (args.isOption()) {
      throw UsageError{"option inconnue " + name};
    } else if (!options.project.empty()) {
      throw UsageError{"un seul projet à la fois : " + name};
    } else {
      options.project = name;
    }
  }
  if (options.project.empty()) throw UsageError{"il faut un projet"};
  return options;
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size()))) - 1;
  return values[std::min(at, values.size() - 1)];
}

// The operator's gesture: a point of the proportion chart picked up and put down a few pixels
// higher or lower, as the main window makes it of a drag.
class ChartOperator {
 public:
  explicit ChartOperator(Session& session) : session_(session) { findPoint(); }

  // The longer of the two gestures' times in milliseconds (the point moved, then put back, so
  // that the simulated machine paints on instead of starting the wall again); nothing when the
  // chart has no point to move.
  std::optional<double> moveOnce() {
    if (!point_) return std::nullopt;
    const auto [x, y] = *point_;
    return std::max(drag(x, y, y - 6), drag(x, y - 6, y));
  }

 private:
  double drag(int x, int from, int to) {
    const auto start = std::chrono::steady_clock::now();
    session_.chartPointerMoved(x, from);
    session_.chartButtonPressed();
    session_.chartPointerMoved(x, to);
    session_.chartButtonReleased(x, to);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count();
  }

  void findPoint() {
    // A point inside the chart, away from its edges, so that it can move both ways.
    const ViewMetrics view = session_.control().view();
    const MainViewSources sources = session_.viewSources();
    for (int x = view.surfaceWidth / 3; x < view.surfaceWidth && !point_; x += 4)
      for (int y = 12; y < view.proportionHeight - 12 && !point_; y += 4)
        if (chartHitTest(sources, x, y).row != 0) point_ = {x, y};
  }

  Session& session_;
  std::optional<std::pair<int, int>> point_;
};

int runLive(const LiveOptions& options) {
  QtTimerSource timers;
  QElapsedTimer clock;
  clock.start();
  sim::SimulatedK8000* card = nullptr;
  PortChoiceOptions noHardware;
  noHardware.tryPpdev = false;
  noHardware.tryDirectIo = false;
  PortOpener opener = standardPortOpener(
      [&card] {
        auto made = std::make_unique<sim::SimulatedK8000>();
        card = made.get();
        return made;
      },
      noHardware);
  AcquisitionOptions acquisitionOptions;
  acquisitionOptions.periodMicroseconds = options.periodMilliseconds * 1000;
  acquisitionOptions.askRealtimeKit = askRealtimeKit;
  Session session({timers, std::move(opener), nullptr, acquisitionOptions});
  if (!session.openProjectFile(std::filesystem::absolute(options.project).lexically_normal().string()))
    throw std::runtime_error("le projet " + options.project + " ne s'ouvre pas");
  if (!card) throw std::runtime_error("la carte simulée n'est pas sur Lpt1");
  session.activateMainWindow();

  sim::AttachedMachine machine(session, *card, [&clock] { return clock.elapsed(); });
  sim::MachineConfig config;
  config.speedMetresPerMinute = options.speed;
  machine.setConfig(config);
  session.setRunning(true);
  session.toggleGun();

  std::vector<double> tickStarts;
  tickStarts.reserve(static_cast<std::size_t>(options.seconds * 60));
  Subscription ticks = session.tickStarting.subscribe(
      [&] { tickStarts.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6); });

  ChartOperator chartOperator(session);
  double longestEdit = 0;
  QTimer edits;
  if (options.edits) {
    QObject::connect(&edits, &QTimer::timeout, [&] {
      if (const auto took = chartOperator.moveOnce()) longestEdit = std::max(longestEdit, *took);
    });
    edits.start(100);
  }
  QTimer::singleShot(static_cast<int>(options.seconds * 1000), QCoreApplication::instance(),
                     &QCoreApplication::quit);
  QCoreApplication::exec();

  // What the machine made and the thread counted, read between two of its samplings.
  InputAcquisition& acquisition = *session.acquisition();
  std::uint64_t made = 0, counted = 0, lost = 0;
  acquisition.runOwned([&] {
    const AcquisitionFigures figures = acquisition.figures();
    for (int input : {kMachineWiring.roller, kMachineWiring.pumpP1, kMachineWiring.pumpP2}) {
      const std::uint64_t inputMade = card->changesFromOutside(input);
      const std::uint64_t inputCounted = figures.changesCounted[static_cast<std::size_t>(input)];
      made += inputMade;
      counted += inputCounted;
      lost += inputMade > inputCounted ? inputMade - inputCounted : 0;
    }
  });
  const AcquisitionFigures figures = acquisition.figures();

  std::vector<double> intervals;
  std::uint64_t missed = 0;
  for (std::size_t i = 1; i < tickStarts.size(); ++i) {
    const double interval = tickStarts[i] - tickStarts[i - 1];
    intervals.push_back(interval);
    const double periods = std::round(interval / 20);
    if (periods > 1) missed += static_cast<std::uint64_t>(periods) - 1;
  }
  const double longestTick = intervals.empty() ? 0 : *std::max_element(intervals.begin(), intervals.end());

  char line[512];
  std::snprintf(line, sizeof line,
                "live: seconds=%g ticks=%zu missed=%llu tick_p99_ms=%.1f tick_max_ms=%.1f sample_p99_ms=%.2f "
                "sample_max_ms=%.2f pulses_made=%llu pulses_counted=%llu lost=%llu edit_max_ms=%.1f priority=%s\n",
                options.seconds, tickStarts.size(), static_cast<unsigned long long>(missed),
                percentile(intervals, 0.99), longestTick,
                static_cast<double>(figures.intervalP99Microseconds) / 1000,
                static_cast<double>(figures.longestIntervalMicroseconds) / 1000,
                static_cast<unsigned long long>(made), static_cast<unsigned long long>(counted),
                static_cast<unsigned long long>(lost), longestEdit, priorityName(figures.priority));
  std::cout << line << std::flush;
  if (figures.priority == AcquisitionPriority::Normal) std::cerr << "chromaflow-live : " << figures.priorityRemedy << "\n";
  return lost == 0 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  return tools::runTool("chromaflow-live", kUsage, [&] {
    tools::answerInformation(argc, argv, "chromaflow-live", std::string(kUsage) + kHelp);
    const LiveOptions options = readOptions(argc, argv);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    return runLive(options);
  });
}
