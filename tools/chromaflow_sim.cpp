// chromaflow-sim: the program's core on virtual time against the simulated K8000 card, driven
// by a recorded input sequence or by the simulated paint machine.

#include <cctype>
#include <cerrno>
#include <chrono>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "command_line.h"
#include "core/common/installed_files.h"
#include "core/common/streamed_file.h"
#include "core/common/text_file.h"
#include "core/control/job_record_csv.h"
#include "history/history_listing.h"
#include "history/history_writer.h"
#include "history/connection_text.h"
#include "history/postgres_job_store.h"
#include "sim/harness/job_of_documents.h"
#include "sim/harness/replay.h"
#include "sim/harness/simulation.h"

#ifdef CHROMAFLOW_WITH_QT
#include <QBuffer>
#include <QByteArray>

#include "gui/drawing/job_sheet.h"
#include "gui/drawing/main_pictures.h"
#endif

using namespace chromaflow;
using namespace chromaflow::sim;

namespace {

using tools::InformationAsked;
using tools::UsageError;

bool isCsv(const std::string& name);
bool isPdf(const std::string& name);

constexpr double kMaxSeconds = 1e6;      // about eleven and a half days of painting
constexpr double kMinSpeed = 0.1;        // m/min: slower, a plan takes days of simulated time
constexpr double kMaxSpeed = 1000;       // m/min
constexpr double kMaxFactor = 10;
constexpr int kMaxRenderWidth = 10000;  // pixels

const char* const kUsage =
    "usage : chromaflow-sim [PROJET.prv] [--replay FICHIER | --machine] [--mixing-lead] [--seconds S]\n"
    "                       [--speed M_PAR_MIN] [--fault PANNE]... [--trace FICHIER] [--save-as FICHIER.prv]\n"
    "                       [--save-after FICHIER.prv] [--render DOSSIER [--render-width L]]\n"
    "                       [--report FICHIER.csv|FICHIER.pdf] [--history CIBLE]\n"
    "        chromaflow-sim --history-list CIBLE [--since DATE]\n"
    "        chromaflow-sim --history-setup-server CONNEXION\n"
    "        chromaflow-sim --help | --version\n";

const char* const kHelp =
    "\n"
    "Le cœur du programme en temps virtuel, sur la carte K8000 simulée.\n"
    "\n"
    "  PROJET.prv           ouvert comme « &Ouvrir... » de la fenêtre principale ; seul, il est\n"
    "                       ouvert et ses chiffres affichés ; ce que l'ouverture a rencontré\n"
    "                       (fichier manquant, valeur refusée, ligne laissée de côté) va sur la\n"
    "                       sortie d'erreur\n"
    "  --replay FICHIER     une ligne par cycle de 20 ms : BROCHES;ANALOGIQUE[;ACTIONS]\n"
    "                       (voir man chromaflow-sim)\n"
    "  --machine            la machine simulée peint le plan : « Start » et pistolet en marche ; le\n"
    "                       résumé donne l'écart au plan avec et sans compensation du mélange\n"
    "  --mixing-lead        « Compensation du mélange » cochée après l'ouverture (avec Anticipation)\n"
    "  --seconds S          s'arrête après S secondes simulées, 0 <= S <= 1000000 ; avec --machine,\n"
    "                       tout le plan par défaut (au plus 1000000 s) ; sans --replay ni --machine,\n"
    "                       le programme tourne S secondes à l'arrêt\n"
    "  --speed M_PAR_MIN    vitesse du rouleau le long du chemin, de 0.1 à 1000 m/min (défaut 10) ;\n"
    "                       avec --machine seulement\n"
    "  --fault PANNE        avec --machine seulement :\n"
    "                       p1=F@T, p2=F@T : la pompe donne F fois son dû dès T secondes\n"
    "                       (0 arrêtée, 0.9 lente, 1.1 rapide ; 0 <= F <= 10 ; 0 <= T <= 1000000) ;\n"
    "                       p1=stop@T, p2=stop@T ; roller=stop@T ou roller=0@T : le rouleau s'arrête\n"
    "  --trace FICHIER      une ligne CSV par cycle (« - » : sortie standard ; le résumé va alors\n"
    "                       sur la sortie d'erreur) ; ses colonnes sont décrites dans README.md\n"
    "  --save-as FICHIER.prv enregistre le projet sous ce nom juste après l'ouverture\n"
    "  --save-after FICHIER.prv\n"
    "                       enregistre le projet sous ce nom à la fin, avec les modifications du\n"
    "                       rejeu (ses actions d'opérateur : voir man chromaflow-sim)\n"
    "  --render DOSSIER     écrit à la fin les images de la fenêtre principale dans DOSSIER (créé\n"
    "                       s'il manque) : ImageSurf.bmp (625 x 119), ImageProp.bmp (625 x 116) et\n"
    "                       ImagePropCoul.bmp (11 x 116) ; seulement si l'outil est construit avec Qt\n"
    "  --render-width L     avec --render : L pixels de large (1 à 10000) pour ImageSurf et ImageProp\n"
    "  --report FICHIER     écrit à la fin le rapport de chantier : un tableau CSV (.csv) ou une fiche\n"
    "                       PDF (.pdf, outil construit avec Qt) de ce qui a été posé, surface par surface\n"
    "  --history CIBLE      garde le chantier peint dans l'historique des chantiers CIBLE : un fichier\n"
    "                       SQLite (créé s'il manque ; celui du programme est\n"
    "                       ~/.local/share/chromaflow/history.sqlite) ou un serveur PostgreSQL\n"
    "                       (postgresql://utilisateur@hôte/base) ; avec --machine ou --replay\n"
    "  --history-list CIBLE liste les chantiers de l'historique CIBLE, un par ligne, du plus récent :\n"
    "                       début, machine, projet, m², litres P1, litres P2, verdict\n"
    "  --since DATE         avec --history-list : les chantiers commencés depuis DATE\n"
    "                       (2026-12-01 ou « 2026-12-01 14:30 », heure locale)\n"
    "  --history-setup-server CONNEXION\n"
    "                       prépare l'historique partagé d'un serveur PostgreSQL, connecté comme\n"
    "                       propriétaire de la base : ses tables, les rôles chromaflow_machine\n"
    "                       (chaque machine n'y change que ses chantiers, n'en efface aucun) et\n"
    "                       chromaflow_reader (lecture seule) ; à relancer sans risque\n"
    "  --help, --version    cette aide, la version\n"
    "\n"
    "Chaque option s'écrit aussi --option=valeur. Statut : 0 fait, 1 échec, 2 ligne de commande refusée.\n";

// Where the example job was installed, so that a first run needs no search.
std::string exampleLine() {
  const std::filesystem::path example = installedExampleProject();
  if (example.empty() || !std::filesystem::exists(example)) return {};
  return "\nChantier d'exemple : " + example.string() + "\n  chromaflow-sim " + example.string() + " --machine\n";
}

struct Options {
  std::optional<std::string> project, replay, trace, saveAs, saveAfter, render, report;
  std::optional<std::string> history, historyList, since, historySetup;
  std::optional<int> renderWidth;
  bool machine = false;
  bool mixingLead = false;
  bool speedGiven = false;
  std::optional<double> seconds;
  MachineConfig config;
};

MachineFault fault(const std::string& text) {
  const auto equals = text.find('='), at = text.find('@');
  if (equals == std::string::npos || at == std::string::npos || at < equals)
    throw UsageError{"--fault " + text + " : CIBLE=FACTEUR@SECONDES attendu, par exemple p1=1.1@30"};
  const std::string target = text.substr(0, equals), factor = text.substr(equals + 1, at - equals - 1);
  MachineFault result;
  if (target == "p1") result.target = MachineFault::Target::P1;
  else if (target == "p2") result.target = MachineFault::Target::P2;
  else if (target == "roller") result.target = MachineFault::Target::Roller;
  else throw UsageError{"--fault " + text + " : la cible est p1, p2 ou roller"};
  if (factor == "stop") result.factor = 0;
  else result.factor = tools::boundedNumber(factor, "--fault " + text + " : le facteur", 0, kMaxFactor);
  // The roller turns at its speed or not at all.
  if (result.target == MachineFault::Target::Roller && result.factor != 0)
    throw UsageError{"--fault " + text + " : le rouleau ne peut que s'arrêter (roller=stop@T ou roller=0@T)"};
  result.fromSeconds = tools::boundedNumber(text.substr(at + 1), "--fault " + text + " : l'instant", 0, kMaxSeconds);
  return result;
}

Options parse(int argc, char** argv) {
  Options options;
  std::vector<std::string> machineOnly;
  tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    const std::string& arg = args.name();
    if (arg == "--replay") options.replay = args.value();
    else if (arg == "--machine") args.noValue(), options.machine = true;
    else if (arg == "--mixing-lead") args.noValue(), options.mixingLead = true;
    else if (arg == "--seconds") options.seconds = tools::boundedNumber(args.value(), "--seconds", 0, kMaxSeconds);
    else if (arg == "--speed") {
      options.config.speedMetresPerMinute = tools::boundedNumber(args.value(), "--speed", kMinSpeed, kMaxSpeed);
      machineOnly.push_back("--speed");
    } else if (arg == "--fault") {
      options.config.faults.push_back(fault(args.value()));
      machineOnly.push_back("--fault");
    } else if (arg == "--trace") options.trace = args.value();
    else if (arg == "--save-as") options.saveAs = args.value();
    else if (arg == "--save-after") options.saveAfter = args.value();
    else if (arg == "--render") options.render = args.value();
    else if (arg == "--report") options.report = args.value();
    else if (arg == "--history") options.history = args.value();
    else if (arg == "--history-list") options.historyList = args.value();
    else if (arg == "--since") options.since = args.value();
    else if (arg == "--history-setup-server") options.historySetup = args.value();
    else if (arg == "--render-width") options.renderWidth = tools::boundedWholeNumber(args.value(), "--render-width", 1, kMaxRenderWidth);
    else if (arg == "-h" || arg == "--help") args.noValue(), throw InformationAsked{std::string(kUsage) + kHelp + exampleLine()};
    else if (arg == "--version") args.noValue(), throw InformationAsked{tools::versionText("chromaflow-sim")};
    else if (args.isOption()) throw UsageError{"option inconnue " + arg};
    else if (options.project) throw UsageError{"un seul projet à la fois (" + *options.project + ", " + arg + ")"};
    else options.project = arg;
  }
  if (options.historySetup) {
    if (options.project || options.replay || options.machine || options.seconds || options.history ||
        options.historyList || options.since || options.trace || options.saveAs || options.saveAfter ||
        options.render || options.report || !machineOnly.empty() || options.mixingLead)
      throw UsageError{"--history-setup-server va seul"};
    if (!namesServer(*options.historySetup))
      throw UsageError{"--history-setup-server : « " + withoutPasswords(*options.historySetup, *options.historySetup) +
                       " » n'est pas la connexion d'un serveur PostgreSQL (postgresql://propriétaire@hôte/base)"};
    return options;
  }
  if (options.historyList) {
    if (options.project || options.replay || options.machine || options.seconds || options.history ||
        options.trace || options.saveAs || options.saveAfter || options.render || options.report ||
        !machineOnly.empty() || options.mixingLead)
      throw UsageError{"--history-list ne va qu'avec --since"};
    if (const auto problem = historyTargetProblem(*options.historyList))
      throw UsageError{"--history-list : " + *problem};
    if (options.since && !historyDate(*options.since))
      throw UsageError{"--since : « " + *options.since +
                       " » n'est pas une date (2026-12-01 ou « 2026-12-01 14:30 », l'année en quatre chiffres)"};
    return options;
  }
  if (options.since) throw UsageError{"--since ne vaut qu'avec --history-list"};
  if (options.history)
    if (const auto problem = historyTargetProblem(*options.history)) throw UsageError{"--history : " + *problem};
  if (options.history && !options.machine && !options.replay)
    throw UsageError{"--history : rien à garder sans --machine ou --replay"};
  if (options.replay && options.machine) throw UsageError{"--replay et --machine s'excluent"};
  // A replay carries its own inputs and its own length: these would be silently ignored.
  if (options.replay && options.seconds) throw UsageError{"--seconds ne va pas avec --replay : le rejeu dure ses lignes"};
  if (!options.machine && !machineOnly.empty())
    throw UsageError{machineOnly.front() + " ne vaut que pour --machine" +
                     (options.replay ? " : un rejeu donne lui-même les entrées de la carte" : "")};
  if (options.trace && !options.replay && !options.machine && !options.seconds)
    throw UsageError{"--trace : rien à tracer sans --replay, --machine ou --seconds"};
  if (options.renderWidth && !options.render) throw UsageError{"--render-width ne vaut qu'avec --render"};
  if (options.report) {
    if (!options.replay && !options.machine && !options.seconds)
      throw UsageError{"--report : rien à rapporter sans --replay, --machine ou --seconds"};
    if (!isCsv(*options.report) && !isPdf(*options.report))
      throw UsageError{"--report : « " + *options.report + " » doit finir par .csv ou .pdf"};
#ifndef CHROMAFLOW_WITH_QT
    if (isPdf(*options.report))
      throw UsageError{"--report : cet outil a été construit sans Qt, il ne sait pas écrire de PDF ; donnez un .csv"};
#endif
  }
#ifndef CHROMAFLOW_WITH_QT
  if (options.render)
    throw UsageError{"--render : cet outil a été construit sans Qt, il ne sait pas dessiner les images"};
#endif
  if (!options.project && !options.replay && !options.machine && !options.seconds && !options.saveAs &&
      !options.saveAfter && !options.render)
    throw UsageError{"rien à faire"};
  return options;
}

bool endsWith(const std::string& name, const std::string& end) {
  if (name.size() < end.size()) return false;
  for (std::size_t i = 0; i < end.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(name[name.size() - end.size() + i])) != end[i]) return false;
  return true;
}
bool isCsv(const std::string& name) { return endsWith(name, ".csv"); }
bool isPdf(const std::string& name) { return endsWith(name, ".pdf"); }

// Trace rows go to standard output, to a stream named on the command line (a pipe, a terminal,
// /dev/null) as they come, or to a file that appears whole when the run ends. A row that cannot
// be written stops the run at once.
class TraceWriter {
 public:
  explicit TraceWriter(const std::optional<std::string>& target) {
    enabled_ = target.has_value();
    if (!target || *target == "-") return;
    std::string why;
    switch (classifyOutput(*target, why)) {
      case OutputKind::Refused: throw FileError(why);
      case OutputKind::Stream: stream_ = std::make_unique<StreamedFile>(*target); break;
      case OutputKind::Staged: file_ = std::make_unique<StagedFile>(*target); break;
    }
  }
  void line(const std::string& text) {
    if (!enabled_) return;
    if (file_) {
      file_->write(text + "\n");
    } else if (stream_) {
      stream_->write(text);
      stream_->write("\n");
    } else {
      std::cout << text << '\n';
      if (!std::cout) throwStandardOutputFailure(errno);  // the failed write's reason, still fresh
    }
  }
  void finish() {
    if (file_) file_->commit();
    if (stream_) stream_->close();
    if (enabled_ && !file_ && !stream_) throwStandardOutputFailure();
  }

 private:
  static void throwStandardOutputFailure(int earlier = 0) {
    if (const auto failure = tools::standardOutputFailure(earlier)) throw tools::StandardOutputFailed(*failure);
  }

  bool enabled_ = false;
  std::unique_ptr<StagedFile> file_;
  std::unique_ptr<StreamedFile> stream_;
};

// What a project alone shows: the documents read and the job's figures (what the open met is on
// standard error, as for every run).
void describeProject(Simulation& simulation, const std::string& project) {
  const Session& session = simulation.session();
  const MainWindowFigures& m = session.main();
  std::cout << "Projet ouvert         : " << project << "\n"
            << "Surfaces              : " << session.plan().surfaceCount() << ", " << m.LReste << " m, " << m.SReste
            << " m2\n"
            << "Peinture du plan      : P1 " << m.P1lTot << " l, P2 " << m.P2lTot << " l, en tout " << m.P1P2ltot
            << " l\n";
  if (const auto problem = simulation.planProblem()) std::cout << "Plan                  : " << *problem << "\n";
}

#ifdef CHROMAFLOW_WITH_QT
// The surface view, the proportion chart and the colour scale as the main window shows them,
// written as Windows bitmaps; the three files appear together or not at all.
void renderPictures(const Session& session, const std::string& folder, int width, std::ostream& out) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) throw FileError(folder + " : " + error.message());
  MainPictures pictures = makeMainPictures(width);
  redrawViews(pictures, session);
  std::vector<FileBytes> files;
  for (const auto& [image, name] : {std::pair{&pictures.surface, "ImageSurf.bmp"},
                                    std::pair{&pictures.proportion, "ImageProp.bmp"},
                                    std::pair{&pictures.colourScale, "ImagePropCoul.bmp"}}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image->save(&buffer, "BMP"))
      throw FileError(std::string(name) + " : l'image n'a pas pu être codée en BMP");
    files.push_back({(std::filesystem::path(folder) / name).string(), std::string(bytes.constData(), bytes.size())});
  }
  writeFilesTogether(files);
  out << "Images écrites dans " << folder << " : ImageSurf.bmp et ImageProp.bmp (" << pictures.surface.width()
      << " pixels de large), ImagePropCoul.bmp\n";
}
#endif

// The project as the run left it, saved as "En&registrer sous..." does.
void saveAfterIfAsked(const Options& options, Simulation& simulation, std::ostream& out) {
  if (!options.saveAfter) return;
  simulation.saveProjectAs(*options.saveAfter);
  out << "Projet enregistré sous " << *options.saveAfter << " (avec ses fichiers .sev, .spv et .cov)\n";
}

// The job record of the run: a CSV table, or the PDF job sheet (built with Qt only).
void reportIfAsked(const Options& options, const Simulation& simulation, std::ostream& out) {
  if (!options.report) return;
  if (isCsv(*options.report)) {
    writeJobRecordCsv(simulation.session().jobRecord(), *options.report);
  } else {
#ifdef CHROMAFLOW_WITH_QT
    writeJobSheet(simulation.session(), *options.report);
#endif
  }
  out << "Rapport de chantier écrit : " << *options.report << "\n";
}

void renderIfAsked(const Options& options, const Simulation& simulation, std::ostream& out) {
#ifdef CHROMAFLOW_WITH_QT
  if (options.render) renderPictures(simulation.session(), *options.render, options.renderWidth.value_or(kSurfaceViewWidth), out);
#else
  (void)options, (void)simulation, (void)out;
#endif
}

// The machine paints until the limit, or without one until the plan is painted, the longest
// time allowed has passed, or the roller has stood still for ten minutes (stopped by a fault):
// it would never end otherwise. `afterTick` follows every tick; `beforeMessage` clears the
// progress line before a message.
void paintWithMachine(Simulation& simulation, const Options& options, const std::function<void()>& afterTick,
                      const std::function<void()>& beforeMessage) {
  const bool whole = !options.seconds;
  const auto limit = static_cast<long long>((whole ? kMaxSeconds : *options.seconds) * 1000);
  constexpr long long kStandstill = 10 * 60 * 1000;
  double lastArea = 0, lastHose = 0;
  long long lastMove = 0;
  while (simulation.clock().now() < limit && !(whole && simulation.machineFinished())) {
    simulation.tick();
    afterTick();
    const PaintMachine& machine = *simulation.machine();
    if (machine.trueArea() != lastArea || machine.hoseLitres() != lastHose) {
      lastArea = machine.trueArea();
      lastHose = machine.hoseLitres();
      lastMove = simulation.clock().now();
    }
    if (whole && simulation.clock().now() - lastMove > kStandstill) {
      beforeMessage();
      std::cerr << "chromaflow-sim : le rouleau n'a pas bougé depuis dix minutes ; la marche s'arrête ici\n";
      return;
    }
  }
  if (whole && !simulation.machineFinished() && simulation.clock().now() >= limit) {
    beforeMessage();
    std::cerr << "chromaflow-sim : le plan n'est pas fini après " << kMaxSeconds
              << " s simulées ; la marche s'arrête ici\n";
  }
}

// The laid mix against the plan had the run been made with the mixing lead the other way: the
// same project, machine and faults, without trace.
std::string deviationTheOtherWay(const Options& options, bool lead) {
  Simulation other;
  other.openProject(*options.project);
  other.session().setMixingLead(!lead);
  other.start();
  other.startMachine(options.config);
  paintWithMachine(other, options, [] {}, [] {});
  const PaintMachine& machine = *other.machine();
  char text[160];
  std::snprintf(text, sizeof text, "%-22s: écart moyen %.2f, plus grand %.2f points\n",
                lead ? "  sans compensation" : "  avec compensation", machine.meanDeviation(),
                machine.largestDeviation());
  return text;
}

// The job painted, handed to the history and written before the tool ends; a history that
// could not keep it fails the run.
class KeptJob {
 public:
  KeptJob(const std::optional<std::string>& target, Session& session) : session_(session) {
    if (!target) return;
    target_ = *target;
    writer_ = writerFor(*target);
    session_.setJobHistory(writer_.get());
    begun_ = session_.changed.subscribe([this](const Change& change) {
      if (change.has(Changed::Job) && session_.jobRunning()) anyJob_ = true;
    });
  }
  // A run that failed still ends its job, and gives the history its 29 s to keep it, before the
  // writer goes.
  ~KeptJob() {
    if (!writer_ || finished_) return;
    session_.setJobHistory(nullptr);
    writer_->settle(std::chrono::seconds(29));
  }
  void finish(std::ostream& out) {
    if (!writer_) return;
    finished_ = true;
    session_.setJobHistory(nullptr);  // ends the job
    // 29 s, and the writer's last copy cut short when it goes: the run ends within its 30 s.
    const bool written = writer_->settle(std::chrono::seconds(29));
    const HistoryState state = writer_->state();
    // A server's connection mistyped is taken for a file's path, which every line quotes: without
    // its password.
    const std::string target = shownWithoutPasswords(state.target, target_);
    if (!state.lastError.empty()) throw FileError("--history : " + shownWithoutPasswords(state.lastError, target_));
    if (!written) throw FileError("--history : " + target + " n'a pas fini d'écrire le chantier en 30 s");
    out << (anyJob_ ? "Chantier gardé dans l'historique : " : "Rien de peint, aucun chantier gardé dans ") << target
        << "\n";
  }

 private:
  Session& session_;
  std::string target_;
  std::unique_ptr<HistoryWriter> writer_;
  bool anyJob_ = false, finished_ = false;
  Subscription begun_;
};

int run(const Options& options) {
  if (options.historySetup) return setUpSharedHistory(*options.historySetup, std::cout, std::cerr);
  if (options.historyList) return listHistory(*options.historyList, options.since, std::cout, std::cerr);
  std::vector<ReplayStep> steps;
  if (options.replay) {
    const TextFileContents contents = readTextFile(*options.replay);
    if (contents.error) throw FileError(*contents.error);
    auto parsed = parseReplay(contents.lines);
    if (auto* message = std::get_if<std::string>(&parsed)) throw FileError(*options.replay + " : " + *message);
    steps = std::get<std::vector<ReplayStep>>(std::move(parsed));
  }

  Simulation simulation;
  if (options.project) {
    simulation.openProject(*options.project);
    tools::showOpenReport(simulation.openReport());
  }
  if (options.mixingLead) simulation.session().setMixingLead(true);
  if (options.saveAs) {
    simulation.saveProjectAs(*options.saveAs);
    std::cout << "Projet enregistré sous " << *options.saveAs << " (avec ses fichiers .sev, .spv et .cov)\n";
  }
  if (!options.replay && !options.machine && !options.seconds) {
    if (options.project && !options.saveAs && !options.saveAfter) describeProject(simulation, *options.project);
    saveAfterIfAsked(options, simulation, std::cout);
    renderIfAsked(options, simulation, std::cout);
    return 0;
  }
  // Checked before the trace is opened, so that a refused run leaves no file behind.
  if (options.machine && !options.seconds) {
    if (const auto problem = simulation.planProblem())
      throw UsageError{"--machine : rien à peindre, " + *problem + " ; donnez un projet dont le plan a des "
                       "surfaces, ou --seconds"};
    const MachineJob job = machineJobOf(simulation.session().plan(), simulation.session().settings());
    const double rolling = Wall(job.wall, job.plan).length() /
                           options.config.speedMetresPerMinute * 60;
    if (rolling > kMaxSeconds) {
      char text[160];
      std::snprintf(text, sizeof text, "--machine : à %g m/min, le plan demanderait %.0f s simulées, plus que les "
                    "%.0f permises ; donnez --seconds ou une vitesse plus grande", options.config.speedMetresPerMinute,
                    rolling, kMaxSeconds);
      throw UsageError{text};
    }
  }

  TraceWriter trace(options.trace);
  tools::Progress progress("chromaflow-sim");
  auto simulatedTime = [&simulation] {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f s simulées", static_cast<double>(simulation.clock().now()) / 1000);
    return std::string(text);
  };
  KeptJob kept(options.history, simulation.session());
  simulation.start();
  if (options.machine) simulation.startMachine(options.config);
  trace.line(simulation.traceHeader());

  if (options.replay) {
    for (const ReplayStep& step : steps) {
      simulation.replay(step, std::cerr);
      trace.line(simulation.traceRow());
      progress.update(simulatedTime);
    }
  } else if (options.machine) {
    paintWithMachine(simulation, options, [&] {
      trace.line(simulation.traceRow());
      progress.update([&] {
        char text[96];
        std::snprintf(text, sizeof text, "%.0f s simulées, %.1f m sur %.1f m",
                      static_cast<double>(simulation.clock().now()) / 1000, simulation.machine()->trueDistance(),
                      simulation.machine()->wall().length());
        return std::string(text);
      });
    }, [&] { progress.finish(); });
  } else if (options.seconds) {
    while (simulation.clock().now() < static_cast<long long>(*options.seconds * 1000)) {
      simulation.tick();
      trace.line(simulation.traceRow());
      progress.update(simulatedTime);
    }
  }
  progress.finish();
  trace.finish();
  // The summary goes where the trace does not.
  std::ostream& summary = options.trace && *options.trace == "-" ? std::cerr : std::cout;
  kept.finish(summary);
  saveAfterIfAsked(options, simulation, summary);
  std::string text = simulation.summary();
  if (options.machine && options.project) {
    // The deviation to the plan with the lead and without, the other run's line under this one's.
    const std::string heading = "Mélange posé / plan";
    const auto at = text.find(heading);
    if (at != std::string::npos) {
      const bool lead = simulation.session().plan().leadsTheMix();
      const auto end = text.find('\n', at) + 1;
      text.insert(end, deviationTheOtherWay(options, lead));
      text.replace(text.find('\n', at), 1, lead ? " (avec compensation)\n" : " (sans compensation)\n");
    }
  }
  summary << text;
  renderIfAsked(options, simulation, summary);
  reportIfAsked(options, simulation, summary);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  removeStagedFilesOnSignal();
  return tools::runTool("chromaflow-sim", std::string(kUsage) + "(chromaflow-sim --help pour l'aide)\n", [&] { return run(parse(argc, argv)); });
}
