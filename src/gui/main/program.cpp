#include "gui/main/program.h"

#include "core/common/text_file.h"
#include "core/session/session.h"
#include "gui/card_test/card_test_window.h"
#include "gui/correction/correction_window.h"
#include "gui/dialogs/dialog_asker.h"
#include "gui/dialogs/insert_value_dialog.h"
#include "gui/dialogs/user_text_window.h"
#include "gui/main/guarded_application.h"
#include "gui/main/main_window.h"
#include "gui/plan/colour_window.h"
#include "gui/plan/full_colour_view.h"
#include "gui/plan/image_form.h"
#include "gui/plan/plan_window.h"
#include "gui/plan/proportion_editor_window.h"
#include "gui/plan/selected_colour_view.h"
#include "gui/plan/surface_editor_window.h"
#include "gui/plan/view_form.h"
#include "gui/history/history_window.h"
#include "gui/report/job_report_window.h"
#include "gui/settings/settings_window.h"
#include "history/history_place.h"
#include "history/program_history.h"
#include "sim/card/simulated_k8000.h"
#include "sim/harness/attached_machine.h"

namespace chromaflow {

Program::Program(ProgramSetup setup) : setup_(std::move(setup)) {
  PortOpener openPort = standardPortOpener(
      [this] {
        auto card = std::make_unique<sim::SimulatedK8000>();
        simulatedCard_ = card.get();
        return card;
      },
      setup_.ports);
  session_ = std::make_unique<Session>(
      SessionSetup{setup_.timers, std::move(openPort), setup_.asker, setup_.acquisition, {}, setup_.holdProjectsOpen});

  // The windows in their order: the main window first, closing it ends the program.
  main_ = std::make_unique<MainWindow>(*session_, [this] { return machine(); });
  QWidget* owner = main_.get();
  surfaceEditor_ = new SurfaceEditorWindow(*session_, owner);
  viewForm_ = new ViewForm(*session_, owner);
  imageForm_ = new ImageForm(*session_, owner);
  selectedColourView_ = new SelectedColourView(*session_, owner);
  imageForm_->attach(*viewForm_, *selectedColourView_);
  proportionEditor_ = new ProportionEditorWindow(*session_, owner);
  fullColourView_ = new FullColourView(*session_, owner);
  settings_ = new SettingsWindow(*session_, owner);
  cardTest_ = new CardTestWindow(*session_, owner);
  colours_ = new ColourWindow(*session_, *imageForm_, owner);
  plan_ = new PlanWindow(*session_, *surfaceEditor_, *proportionEditor_, owner);
  insertValue_ = new InsertValueDialog(owner);
  userText_ = new UserTextWindow(*session_, owner);
  correction_ = new CorrectionWindow(*session_, owner);
  jobReport_ = new JobReportWindow(*session_, setup_.timers, owner);
  history_ = new HistoryWindow(setup_.history, *session_, setup_.timers, owner);
  main_->attach({correction_, userText_, fullColourView_, plan_, colours_, settings_, cardTest_, jobReport_, history_});

  if (!setup_.asker) {
    dialogs_ = std::make_unique<DialogAsker>(main_.get(), *insertValue_);
    session_->setAsker(dialogs_.get());
  }
  if (setup_.history) {
    session_->setJobHistory(setup_.history);
    main_->setHistoryPlaceAccess({[this] { return setup_.history->place(); },
                                  [this](const HistoryPlace& place) { moveHistory(place); }});
  }
  // A gesture that fails beyond what the session catches is told through the same asker.
  if (auto* application = dynamic_cast<GuardedApplication*>(QCoreApplication::instance()))
    application->setFailureReport([this](const std::string& text) {
      if (Asker* asker = session_->asker()) asker->showError(text);
    });
}

void Program::moveHistory(const HistoryPlace& place) {
  if (!setup_.history) return;
  // "OK" on the choice as it was moves nothing, and ends no job.
  const HistoryPlace& now = setup_.history->place();
  if (place.localPath == now.localPath && place.shared == now.shared && place.machine == now.machine) return;
  try {
    if (!setup_.historyPlaceFile.empty()) writeHistoryPlace(setup_.historyPlaceFile, place);
  } catch (const FileError& error) {
    if (Asker* asker = session_->asker())
      asker->showError(std::string("Le choix de l'historique n'a pas pu être gardé pour les prochains "
                                   "démarrages : ") + error.what());
  }
  // The job running ends in the history it began in, as "Terminer le chantier" ends it; the
  // next one goes to the new place.
  session_->finishJob();
  setup_.history->moveTo(place);
  // The list shown is read again from the new place.
  if (history_->isVisible()) history_->refresh();
}

Program::~Program() {
  // The job running ends here, told as what painted it, before the simulated machine goes.
  session_->setJobHistory(nullptr);
  if (auto* application = dynamic_cast<GuardedApplication*>(QCoreApplication::instance()))
    application->setFailureReport(nullptr);
  // The windows go before the session they listen to.
  main_.reset();
}

sim::AttachedMachine* Program::machine() {
  const PortChoice* lpt1 = session_->portChoice(ParallelPortKind::Lpt1);
  const bool drivingSimulatedCard = simulatedCard_ && session_->selectedPort() == ParallelPortKind::Lpt1 && lpt1 &&
                                    lpt1->backend == PortBackend::Simulated;
  if (!drivingSimulatedCard) return nullptr;
  if (!machine_)
    machine_ = std::make_unique<sim::AttachedMachine>(*session_, *simulatedCard_, setup_.nowMilliseconds);
  return machine_.get();
}

}  // namespace chromaflow
