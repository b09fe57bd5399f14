// chromaflow-screens DOSSIER: pictures of the program's windows as an operator sees them, for
// the README and for judging the layout: the main window empty, with the example job opened,
// painting it on the simulated machine, and the correction window showing an alarm. The
// program runs on a virtual clock, so the pictures are the same at every run.

#include <QApplication>
#include <QDir>
#include <QScreen>

#include <iostream>
#include <string>

#include "app/main_window.h"
#include "app/program.h"
#include "app/session.h"
#include "control/correction_window.h"
#include "control/virtual_clock.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::cerr << "usage : chromaflow-screens DOSSIER PROJET.prv\n";
    return 2;
  }
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

  if (sim::AttachedMachine* machine = program.machine()) {
    sim::MachineConfig config = machine->config();
    config.faults.push_back({sim::MachineFault::Target::P2, 0.0, 0.0});
    machine->setConfig(config);
  }
  run(8'000);
  QDialog& correction = program.correction();
  correction.show();
  saved &= save(correction, folder, "correction-alarm.png");
  return saved ? 0 : 1;
}
