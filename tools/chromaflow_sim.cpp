// chromaflow-sim: the program's core on virtual time against the simulated K8000 card, driven
// by a recorded input sequence or by the simulated paint machine.

#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/text_file.h"
#include "sim/harness/replay.h"
#include "sim/harness/simulation.h"

using namespace chromaflow;
using namespace chromaflow::sim;

namespace {

const char* const kUsage =
    "usage: chromaflow-sim [PROJECT.prv] [--replay FILE | --machine] [--seconds S] [--speed M_PER_MIN]\n"
    "                      [--fault FAULT]... [--trace FILE] [--save-as FILE.prv]\n"
    "\n"
    "  PROJECT.prv        opened as the main window's \"&Ouvrir...\" opens it\n"
    "  --replay FILE      one line per 20 ms tick: PINS;ANALOG[;ACTIONS] (see src/sim/harness/replay.h)\n"
    "  --machine          the simulated machine paints the plan: \"Start\" and the gun ON\n"
    "  --seconds S        stop after S simulated seconds (machine: default, the whole plan)\n"
    "  --speed M_PER_MIN  roller speed along the path, metres per minute (default 10)\n"
    "  --fault FAULT      p1=F@T, p2=F@T: the pump delivers F times its due from T seconds on\n"
    "                     (0 stopped, 0.9 slow, 1.1 fast); p1=stop@T; roller=stop@T\n"
    "  --trace FILE       one CSV row per tick (\"-\" for standard output)\n"
    "  --save-as FILE.prv saves the project under that name right after opening\n";

struct Options {
  std::optional<std::string> project, replay, trace, saveAs;
  bool machine = false;
  std::optional<double> seconds;
  MachineConfig config;
};

struct UsageError {
  std::string message;
};

double number(const std::string& text, const std::string& what) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(value >= 0))
    throw UsageError{what + " must be a number of at least 0, not '" + text + "'"};
  return value;
}

MachineFault fault(const std::string& text) {
  const auto equals = text.find('='), at = text.find('@');
  if (equals == std::string::npos || at == std::string::npos || at < equals)
    throw UsageError{"--fault " + text + ": expected TARGET=FACTOR@SECONDS, e.g. p1=1.1@30"};
  const std::string target = text.substr(0, equals), factor = text.substr(equals + 1, at - equals - 1);
  MachineFault result;
  if (target == "p1") result.target = MachineFault::Target::P1;
  else if (target == "p2") result.target = MachineFault::Target::P2;
  else if (target == "roller") result.target = MachineFault::Target::Roller;
  else throw UsageError{"--fault " + text + ": the target is p1, p2 or roller"};
  if (factor == "stop") result.factor = 0;
  else if (result.target == MachineFault::Target::Roller) throw UsageError{"--fault " + text + ": the roller can only stop"};
  else result.factor = number(factor, "--fault factor");
  result.fromSeconds = number(text.substr(at + 1), "--fault time");
  return result;
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
      return argv[++i];
    };
    if (arg == "--replay") options.replay = next();
    else if (arg == "--machine") options.machine = true;
    else if (arg == "--seconds") options.seconds = number(next(), "--seconds");
    else if (arg == "--speed") options.config.speedMetresPerMinute = number(next(), "--speed");
    else if (arg == "--fault") options.config.faults.push_back(fault(next()));
    else if (arg == "--trace") options.trace = next();
    else if (arg == "--save-as") options.saveAs = next();
    else if (arg == "-h" || arg == "--help") throw UsageError{};
    else if (arg.rfind("--", 0) == 0) throw UsageError{"unknown option " + arg};
    else if (options.project) throw UsageError{"only one project may be given"};
    else options.project = arg;
  }
  if (options.replay && options.machine) throw UsageError{"--replay and --machine exclude each other"};
  return options;
}

// Trace rows go to standard output or to a file that appears whole when the run ends.
class TraceWriter {
 public:
  explicit TraceWriter(const std::optional<std::string>& target) {
    if (target && *target != "-") file_ = std::make_unique<StagedFile>(*target);
    enabled_ = target.has_value();
  }
  void line(const std::string& text) {
    if (!enabled_) return;
    if (file_) file_->write(text + "\n");
    else std::cout << text << '\n';
  }
  void finish() {
    if (file_) file_->commit();
    std::cout.flush();
  }

 private:
  bool enabled_ = false;
  std::unique_ptr<StagedFile> file_;
};

int run(const Options& options) {
  std::vector<ReplayStep> steps;
  if (options.replay) {
    const TextFileContents contents = readTextFile(*options.replay);
    if (contents.error) throw FileError(*contents.error);
    auto parsed = parseReplay(contents.lines);
    if (auto* message = std::get_if<std::string>(&parsed)) throw FileError(*options.replay + ": " + *message);
    steps = std::get<std::vector<ReplayStep>>(std::move(parsed));
  }

  Simulation simulation;
  if (options.project) simulation.openProject(*options.project);
  if (options.saveAs) {
    simulation.saveProjectAs(*options.saveAs);
    if (!options.replay && !options.machine) return 0;
  }

  TraceWriter trace(options.trace);
  simulation.start();
  if (options.machine) {
    if (!options.seconds && simulation.session().plan().surfaceCount() == 0)
      throw UsageError{"--machine: the plan has no surface to paint; give a project or --seconds"};
    simulation.startMachine(options.config);
  }
  trace.line(simulation.traceHeader());

  if (options.replay) {
    for (const ReplayStep& step : steps) {
      simulation.replay(step, std::cerr);
      trace.line(simulation.traceRow());
    }
  } else if (options.machine) {
    const auto limit = options.seconds ? static_cast<long long>(*options.seconds * 1000) : -1;
    // Without a time limit the run ends with the plan, or when the roller has stood still for
    // ten minutes (stopped by a fault, or no speed): it would never end otherwise.
    constexpr long long kStandstill = 10 * 60 * 1000;
    double lastArea = 0, lastHose = 0;
    long long lastMove = 0;
    while (limit >= 0 ? simulation.clock().now() < limit : !simulation.machineFinished()) {
      simulation.tick();
      trace.line(simulation.traceRow());
      const PaintMachine& machine = *simulation.machine();
      if (machine.trueArea() != lastArea || machine.hoseLitres() != lastHose) {
        lastArea = machine.trueArea();
        lastHose = machine.hoseLitres();
        lastMove = simulation.clock().now();
      }
      if (limit < 0 && simulation.clock().now() - lastMove > kStandstill) {
        std::cerr << "chromaflow-sim: the roller has not moved for ten minutes; the run stops here\n";
        break;
      }
    }
  } else if (options.seconds) {
    while (simulation.clock().now() < static_cast<long long>(*options.seconds * 1000)) {
      simulation.tick();
      trace.line(simulation.traceRow());
    }
  }
  trace.finish();
  if (options.machine || options.replay) {
    // The summary goes where the trace does not.
    (options.trace && *options.trace == "-" ? std::cerr : std::cout) << simulation.summary();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(parse(argc, argv));
  } catch (const UsageError& error) {
    if (!error.message.empty()) std::cerr << "chromaflow-sim: " << error.message << "\n\n";
    std::cerr << kUsage;
    return error.message.empty() ? 0 : 2;
  } catch (const std::exception& error) {
    std::cerr << "chromaflow-sim: " << error.what() << "\n";
    return 1;
  }
}
