// chromaflow-screens DOSSIER PROJET.prv: pictures of the program's windows as an operator sees
// them, for the README and for judging the layout: the main window empty, with the example job
// opened, painting it on the simulated machine, the correction window showing an alarm, and every
// other window on the job (each tab of the settings). The program runs on a virtual clock, so the
// pictures are the same at every run.

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>

#include <iostream>
#include <string>

#include "command_line.h"
#include "core/control/virtual_clock.h"
#include "core/session/session.h"
#include "gui/card_test/card_test_window.h"
#include "gui/correction/correction_window.h"
#include "gui/main/main_window.h"
#include "gui/main/program.h"
#include "gui/plan/colour_window.h"
#include "gui/plan/image_form.h"
#include "gui/plan/plan_window.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/report/job_report_window.h"
#include "gui/settings/settings_window.h"
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
    "couleurs, le visualiseur d'images, le test de la carte et chaque onglet des propriétés. Le temps\n"
    "est virtuel : les images sont les mêmes à chaque fois. Sans écran, lancez-le sous xvfb-run.\n"
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
