#include "gui/main/program.h"

#include <QCoreApplication>
#include <utility>

#include "core/common/text_file.h"
#include "core/session/session.h"
#include "gui/card_test/card_test_window.h"
#include "gui/correction/correction_window.h"
#include "gui/dialogs/dialog_asker.h"
#include "gui/dialogs/insert_value_dialog.h"
#include "gui/dialogs/user_text_window.h"
#include "gui/main/guarded_application.h"
#include "gui/main/main_window.h"
#include "gui/main/password_keeper.h"
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
#include "history/connection_text.h"
#include "gui/widgets/screen_fit.h"
#include "history/history_paths.h"
#include "history/history_place.h"
#include "history/program_history.h"
#include "sim/card/simulated_k8000.h"
#include "sim/harness/attached_machine.h"

namespace chromaflow {

namespace {

constexpr const char* kNoKeychain =
    "Aucun trousseau de mots de passe sur ce poste : le mot de passe de l'historique partagé ne sert que pour "
    "cette session.";
constexpr const char* kKeychainRefused =
    "Le trousseau de mots de passe a refusé de garder le mot de passe de l'historique partagé : il ne sert que "
    "pour cette session.";

}  // namespace

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

  // Each window opens within the screen it opens on, however large the program made it.
  screenFit_ = std::make_unique<ScreenFit>();
  QCoreApplication::instance()->installEventFilter(screenFit_.get());

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
                                  [this](const HistoryPlace& place) { moveHistory(place); },
                                  [this]() -> std::optional<std::string> {
                                    if (setup_.webViewSettingsFile.empty()) return std::nullopt;
                                    std::string problem;
                                    const auto settings = readWebViewSettings(setup_.webViewSettingsFile, problem);
                                    return settings ? webViewAddress(*settings, hostName()) : std::nullopt;
                                  }});
    // A password found after a job began is used once that job has ended.
    jobEnds_ = session_->changed.subscribe([this](const Change& change) {
      if (change.has(Changed::Job)) useFoundPassword();
    });
    findHistoryPassword();
  }
  // A gesture that fails beyond what the session catches is told through the same asker.
  if (auto* application = dynamic_cast<GuardedApplication*>(QCoreApplication::instance()))
    application->setFailureReport([this](const std::string& text) {
      if (Asker* asker = session_->asker()) asker->showError(text);
    });
}

void Program::moveHistory(const HistoryPlace& chosen) {
  if (!setup_.history) return;
  HistoryPlace place = chosen;
  // The connection is kept and shown without its password, which goes apart.
  if (ConnectionText connection = splitPassword(place.shared); !connection.password.empty()) {
    place.shared = std::move(connection.text);
    place.password = std::move(connection.password);
  }
  if (place.shared.empty()) place.password.clear();
  const HistoryPlace& now = setup_.history->place();
  const bool moves = place.localPath != now.localPath || place.shared != now.shared || place.machine != now.machine ||
                     place.password != now.password;
  // A choice an older version kept with the password in its connection is written again
  // without it, the password going to the keychain.
  const bool fileHoldsPassword =
      !setup_.historyPlaceFile.empty() && !readHistoryPlace(setup_.historyPlaceFile).password.empty();
  // "OK" on the choice as it was moves nothing, and ends no job.
  if (!moves && !fileHoldsPassword) return;
  try {
    if (!setup_.historyPlaceFile.empty()) writeHistoryPlace(setup_.historyPlaceFile, place);
  } catch (const FileError& error) {
    if (Asker* asker = session_->asker())
      asker->showError(std::string("Le choix de l'historique n'a pas pu être gardé pour les prochains "
                                   "démarrages : ") + error.what());
  }
  if (moves) {
    foundPassword_.reset();
    // The job running ends in the history it began in, as "Terminer le chantier" ends it; the
    // next one goes to the new place.
    session_->finishJob();
    setup_.history->moveTo(place);
    // The list shown is read again from the new place.
    if (history_->isVisible()) history_->refresh();
  }
  if (!place.password.empty())
    keepHistoryPassword(place.shared, place.password);
  else if (moves)
    findHistoryPassword();
}

void Program::findHistoryPassword() {
  const HistoryPlace& place = setup_.history->place();
  if (!setup_.passwords || place.shared.empty() || !place.password.empty()) return;
  const std::string connection = place.shared;
  setup_.passwords->find(connection, [this, alive = std::weak_ptr<Program*>(alive_), connection](
                                         const PasswordKeeper::Answer& answer) {
    // Nothing kept (the server needs none, or ~/.pgpass holds it), or no keychain: the
    // connection as it stands, whose failure says what is missing.
    if (alive.expired() || answer.outcome != PasswordKeeper::Outcome::Done || answer.password.empty()) return;
    // The operator chose another place meanwhile.
    const HistoryPlace& now = setup_.history->place();
    if (now.shared != connection || !now.password.empty()) return;
    foundPassword_ = answer.password;
    useFoundPassword();
  });
}

void Program::useFoundPassword() {
  // A job running stays in the writer it began in; the jobs wait on this PC until then.
  if (!foundPassword_ || session_->jobRunning()) return;
  setup_.history->usePassword(*std::exchange(foundPassword_, std::nullopt));
  if (history_->isVisible()) history_->refresh();
}

void Program::keepHistoryPassword(const std::string& connection, const std::string& password) {
  if (!setup_.passwords) {
    setup_.history->tellAboutPlace(kNoKeychain);
    return;
  }
  setup_.passwords->keep(connection, password, [this, alive = std::weak_ptr<Program*>(alive_), connection](
                                                   const PasswordKeeper::Answer& answer) {
    if (alive.expired() || answer.outcome == PasswordKeeper::Outcome::Done) return;
    // Said only while the history is still there: the password is used all the same.
    if (setup_.history->place().shared != connection) return;
    setup_.history->tellAboutPlace(answer.outcome == PasswordKeeper::Outcome::Refused ? kKeychainRefused
                                                                                       : kNoKeychain);
  });
}

Program::~Program() {
  // No keychain's answer, nor the end of the job below, starts the history again.
  alive_.reset();
  jobEnds_.reset();
  foundPassword_.reset();
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
