// chromaflow-screens DOSSIER PROJET.prv: pictures of the program's windows as an operator sees
// them, for the README and for judging the layout: the main window empty, with the example job
// opened, painting it on the simulated machine, the correction window showing an alarm, and every
// other window on the job (each tab of the settings), and the job history with a few jobs kept in
// a temporary file, two of them compared. The program runs on a virtual clock, so the pictures
// are the same at every run.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QScreen>
#include <QTabWidget>

#include <iostream>
#include <string>

#include "command_line.h"
#include "core/control/virtual_clock.h"
#include "core/session/session.h"
#include "gui/card_test/card_test_window.h"
#include "gui/correction/correction_window.h"
#include "gui/dialogs/history_settings_dialog.h"
#include "gui/history/history_list_model.h"
#include "gui/history/history_window.h"
#include "gui/history/job_comparison_window.h"
#include "gui/main/main_window.h"
#include "gui/main/program.h"
#include "gui/plan/colour_window.h"
#include "gui/plan/image_form.h"
#include "gui/plan/plan_window.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/report/job_report_window.h"
#include "gui/settings/settings_window.h"
#include "history/history_reader.h"
#include "history/sqlite_job_store.h"
#include "sim/harness/attached_machine.h"
#include "sim/harness/simulation.h"

using namespace chromaflow;

namespace {

bool save(QWidget& window, const QDir& folder, const char* name) {
  QApplication::processEvents();
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (window.grab().save(path)) {
    std::cout << path.toStdString() << "\n";
    return true;
  }
  std::cerr << "chromaflow-screens : impossible d'écrire " << path.toStdString() << "\n";
  return false;
}

// Lets the history's reader answer (its thread runs on the wall clock): true once `done`.
template <typename Done>
bool waitFor(Done done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < 10'000) {
    QApplication::processEvents();
    QThread::msleep(5);
  }
  QApplication::processEvents();
  return done();
}

// A job kept from the record as it stands, with the names and date given.
StoredJob keptJob(const Session& session, const char* project, const char* machine, std::int64_t startedMs,
                  const char* text) {
  StoredJob job;
  job.machine = machine;
  job.projectName = project;
  job.projectPath = std::string("/home/peintre/chantiers/") + project + ".prv";
  job.userText = text;
  job.startedMs = startedMs;
  job.endedMs = startedMs + session.jobRecord().milliseconds();
  job.backend = "machine simulée";
  takeFromRecord(job, session.jobRecord(), session.verdictTolerance());
  return job;
}

// A window of the program shown without its modal loop, pictured, then hidden again.
bool picture(QWidget& window, const QDir& folder, const char* name) {
  window.show();
  const bool saved = save(window, folder, name);
  window.hide();
  return saved;
}

}  // namespace

const char* const kUsage =
    "usage : chromaflow-screens DOSSIER PROJET.prv\n"
    "        chromaflow-screens --help | --version\n";

const char* const kHelp =
    "\n"
    "Écrit dans DOSSIER (créé s'il manque) une image PNG de chaque fenêtre du programme sur le projet :\n"
    "la fenêtre principale vide, avec le projet ouvert puis en peinture sur la machine simulée, le\n"
    "rapport de chantier, la correction avec une alarme, puis le plan, les éditeurs de lignes, les\n"
    "couleurs, le visualiseur d'images, le test de la carte, chaque onglet des propriétés, et\n"
    "l'historique des chantiers (quelques chantiers gardés dans un fichier temporaire) avec deux d'entre\n"
    "eux comparés. Le temps est virtuel : les images sont les mêmes à chaque fois. Sans écran,\n"
    "lancez-le sous xvfb-run.\n"
    "\n"
    "Statut : 0 fait, 1 échec, 2 ligne de commande refusée.\n";

int pictureWindows(int argc, char** argv);

int main(int argc, char** argv) {
  return tools::runTool("chromaflow-screens", kUsage, [&] {
    tools::answerInformation(argc, argv, "chromaflow-screens", std::string(kUsage) + kHelp);
    QApplication application(argc, argv);
    if (argc != 3) throw tools::UsageError{"un dossier et un projet sont attendus"};
    return pictureWindows(argc, argv);
  });
}

int pictureWindows(int, char** argv) {
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) {
    std::cerr << "chromaflow-screens : dossier impossible à créer : " << argv[1] << "\n";
    return 1;
  }

  VirtualClock clock;
  sim::HarnessAsker asker;
  asker.projectName = argv[2];
  Program program({clock, [&clock] { return clock.now(); }, {}, &asker});
  MainWindow& window = program.mainWindow();
  window.resize(1920, 1000);
  window.show();
  Session& session = program.session();
  auto run = [&](std::int64_t ms) {
    clock.advanceTo(clock.now() + ms);
    QApplication::processEvents();
  };

  bool saved = save(window, folder, "main-empty.png");
  if (!session.openProject(true)) {
    std::cerr << "chromaflow-screens : projet illisible : " << argv[2] << "\n";
    return 1;
  }
  saved &= save(window, folder, "main-example.png");

  session.setRunning(true);
  session.toggleGun();
  run(45'000);
  saved &= save(window, folder, "main-painting.png");
  JobReportWindow& report = program.jobReport();
  report.resize(1100, 760);
  saved &= picture(report, folder, "job-report.png");
  // The history's jobs: two states of this one, under other names and dates.
  QTemporaryDir historyFolder;
  SqliteJobStore history(historyFolder.filePath(QStringLiteral("history.sqlite")).toStdString(), {"atelier-1"});
  history.open();
  const auto keep = [&](StoredJob job, JobStatus status) {
    job.status = status;
    history.finishJob(history.beginJob(job), job);
  };
  constexpr std::int64_t kMay2024 = 1'714'550'400'000;  // 2024-05-01 08:00 UTC
  constexpr std::int64_t kDay = 24LL * 3600 * 1000;
  keep(keptJob(session, "Hall d'entrée", "atelier-1", kMay2024, "Client Durand, hall"), JobStatus::Finished);
  keep(keptJob(session, "Façade nord", "atelier-2", kMay2024 + 2 * kDay, "Mairie, façade nord"), JobStatus::Finished);

  if (sim::AttachedMachine* machine = program.machine()) {
    sim::MachineConfig config = machine->config();
    config.faults.push_back({sim::MachineFault::Target::P2, 0.0, 0.0});
    machine->setConfig(config);
  }
  run(8'000);
  QDialog& correction = program.correction();
  correction.show();
  saved &= save(correction, folder, "correction-alarm.png");
  correction.hide();

  keep(keptJob(session, "Couloir B", "atelier-1", kMay2024 + 5 * kDay, "Clinique Saint-Paul"), JobStatus::Finished);
  keep(keptJob(session, "Préau", "atelier-2", kMay2024 + 6 * kDay, "École Jules Ferry"), JobStatus::Interrupted);
  {
    HistoryReader reader(std::make_unique<SqliteJobStore>(history.path()));
    HistoryWindow historyWindow(&reader, session, clock, &window);
    historyWindow.resize(1280, 420);
    historyWindow.show();
    auto* grid = historyWindow.findChild<QTableView*>(QStringLiteral("GridHistorique"));
    saved &= waitFor([&] { return grid->model()->rowCount() == 4; });
    // The hall and the corridor, where P2 stopped, compared.
    grid->selectRow(1);
    grid->selectionModel()->select(grid->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    saved &= save(historyWindow, folder, "history.png");
    historyWindow.findChild<QPushButton*>(QStringLiteral("ButComparer"))->click();
    JobComparisonWindow& comparison = historyWindow.comparisonWindow();
    saved &= waitFor([&] { return comparison.isVisible(); });
    comparison.resize(1100, 600);
    saved &= save(comparison, folder, "history-compare.png");
    // "Historique": the history shared on the firm's server, which does not answer.
    HistorySettingsDialog place(&window);
    place.showPlace({"/home/peintre/.local/share/chromaflow/history.sqlite", "postgresql://peintre@atelier/chromaflow",
                     "atelier-1"},
                    "/home/peintre/.local/share/chromaflow/history.sqlite", "atelier-1",
                    "Historique partagé injoignable (PostgreSQL atelier:5432/chromaflow) : 2 travaux gardés sur ce "
                    "poste, envois dès son retour");
    place.show();
    saved &= save(place, folder, "history-place.png");
  }

  saved &= picture(program.planWindow(), folder, "plan.png");
  session.openSurfaceEditor(1);
  saved &= picture(program.surfaceEditor(), folder, "surface-editor.png");
  session.openProportionEditor(1);
  saved &= picture(program.proportionEditor(), folder, "proportion-editor.png");
  saved &= picture(program.colourWindow(), folder, "colours.png");
  session.openColourPicker(0);
  saved &= picture(program.imageForm(), folder, "image-viewer.png");
  saved &= picture(program.cardTestWindow(), folder, "card-test.png");
  SettingsWindow& settings = program.settingsWindow();
  if (auto* tabs = settings.findChild<QTabWidget*>()) {
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      const std::string name = "settings-" + std::to_string(i + 1) + ".png";
      saved &= picture(settings, folder, name.c_str());
    }
  } else {
    saved &= picture(settings, folder, "settings.png");
  }
  return saved ? 0 : 1;
}
