// chromaflow: the desktop program. Drives the K8000 card on the parallel port, or the
// simulated paint machine when no card can be reached.

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QScreen>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "command_line.h"
#include "core/common/installed_files.h"
#include "core/session/session.h"
#include "gui/main/guarded_application.h"
#include "gui/main/keychain_password_keeper.h"
#include "gui/main/main_window.h"
#include "gui/main/program.h"
#include "gui/main/realtime_kit.h"
#include "gui/widgets/qt_timers.h"
#include "history/connection_text.h"
#include "history/history_paths.h"
#include "history/history_place.h"
#include "history/history_reader.h"
#include "history/program_history.h"

namespace {

using chromaflow::tools::UsageError;

const char* const kUsage =
    "usage : chromaflow [--acquisition MS] [--history SERVEUR] [PROJET.prv]\n"
    "        chromaflow --help | --version\n";

std::string helpText() {
  std::string text = std::string(kUsage) +
                     "\n"
                     "Commande de la machine à peindre au rouleau : le plan du mur, les proportions du\n"
                     "mélange le long du chemin, les deux pompes et le pistolet par la carte K8000 du port\n"
                     "parallèle, ou la machine simulée quand aucune carte n'est accessible.\n"
                     "\n"
                     "  PROJET.prv         ouvert au démarrage comme « &Ouvrir... » du menu « &Projet », avec\n"
                     "                     ses fichiers .sev, .spv et .cov du même nom à côté\n"
                     "  --acquisition MS   période de lecture des entrées de la carte, où chaque\n"
                     "                     impulsion est comptée, nombre entier de 1 à 5 ms (défaut 2)\n"
                     "  --history SERVEUR  partage l'historique des chantiers sur ce serveur PostgreSQL,\n"
                     "                     pour cette fois (postgresql://utilisateur@hôte/base), au lieu\n"
                     "                     du choix gardé par « &Interface » > « Historique... »\n"
                     "  --help, --version  cette aide, la version\n"
                     "\n"
                     "Les options de Qt (-platform, -style, ...) sont aussi acceptées.\n"
                     "Statut : 0 programme fermé, 1 échec, 2 ligne de commande refusée.\n";
  const std::filesystem::path example = chromaflow::installedExampleProject();
  if (!example.empty() && std::filesystem::exists(example))
    text += "\nChantier d'exemple : " + example.string() + "\n";
  return text;
}

// What is left once Qt has taken its own options: at most one project, and the acquisition's
// period.
struct CommandLine {
  std::optional<std::string> project;
  int acquisitionMilliseconds = 2;
  std::optional<std::string> sharedHistory;
};

CommandLine readCommandLine(int argc, char** argv) {
  CommandLine line;
  chromaflow::tools::ArgumentReader args(argc, argv);
  while (args.next()) {
    if (args.name() == "--acquisition") {
      line.acquisitionMilliseconds = chromaflow::tools::boundedWholeNumber(args.value(), "--acquisition", 1, 5);
      continue;
    }
    if (args.name() == "--history") {
      line.sharedHistory = args.value();
      if (line.sharedHistory->empty()) throw UsageError{"--history : donnez le serveur (postgresql://utilisateur@hôte/base)"};
      if (const auto problem = chromaflow::sharedHistoryProblem(*line.sharedHistory))
        throw UsageError{"--history : " + *problem};
      continue;
    }
    if (args.isOption()) throw UsageError{"option inconnue " + args.name()};
    if (line.project) throw UsageError{"un seul projet à la fois : " + args.name()};
    line.project = std::filesystem::absolute(args.name()).lexically_normal().string();
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  return chromaflow::tools::runTool("chromaflow", kUsage, [&] {
    chromaflow::tools::answerInformation(argc, argv, "chromaflow", helpText());

    chromaflow::GuardedApplication application(argc, argv);  // takes Qt's own options out of argv
    // The application's title; no display name, which the desktop would append to every caption.
    QApplication::setApplicationName(QStringLiteral("Chromaflow - Velmora "));
    QApplication::setDesktopFileName(QStringLiteral("chromaflow"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/chromaflow.svg")));
    const CommandLine line = readCommandLine(argc, argv);
    const std::optional<std::string>& project = line.project;

    chromaflow::QtTimerSource timers;
    QElapsedTimer clock;
    clock.start();
    // The inputs are counted every 2 ms in a thread of their own, at real-time priority where
    // the system grants it, so that no pulse is lost while the window is busy.
    chromaflow::AcquisitionOptions acquisition;
    acquisition.periodMicroseconds = line.acquisitionMilliseconds * 1000;
    acquisition.askRealtimeKit = chromaflow::askRealtimeKit;
    // Every job painted is kept: on this PC, and on the firm's server when one is chosen.
    std::string placeProblem;
    const std::string placeFile = chromaflow::historyPlacePath();
    chromaflow::HistoryPlace place = chromaflow::readHistoryPlace(placeFile, &placeProblem);
    // A password on the command line serves this run, apart from the connection shown.
    if (line.sharedHistory) {
      chromaflow::ConnectionText connection = chromaflow::splitPassword(*line.sharedHistory);
      place.shared = std::move(connection.text);
      place.password = std::move(connection.password);
    }
    // The shared history's password is looked for in the desktop's keychain once the window
    // shows: the writer starts without it, and again with it when it comes.
    chromaflow::KeychainPasswordKeeper passwords;
    // A choice that could not be read is told on the status line; the program starts all the same.
    chromaflow::ProgramHistory history(
        place, [](const chromaflow::HistoryPlace& at) { return std::make_unique<chromaflow::HistoryReader>(at); }, {},
        placeProblem);
    chromaflow::Program program(
        {timers, [&clock] { return clock.elapsed(); }, {}, nullptr, acquisition, &history, placeFile, &passwords, true,
         chromaflow::kWebViewSettingsPath});
    // Maximised; where no window manager maximises (a bare X server), it still fills the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      program.mainWindow().setGeometry(screen->availableGeometry());
    program.mainWindow().showMaximized();
    // A project named on the command line (or opened from the file manager) opens as "&Ouvrir..."
    // would open it; a missing or broken file is reported in the program's error box.
    if (project) application.runGuarded([&] { program.session().openProjectFile(*project); });
    return QApplication::exec();
  });
}
