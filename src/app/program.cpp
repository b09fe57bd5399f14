#include "app/program.h"

#include "app/dialog_asker.h"
#include "app/insert_value_dialog.h"
#include "app/main_window.h"
#include "app/session.h"
#include "app/user_text_window.h"
#include "control/correction_window.h"
#include "plan/full_colour_view.h"
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
  session_ = std::make_unique<Session>(SessionSetup{setup_.timers, std::move(openPort), setup_.asker});

  // The windows in their order: the main window first, closing it ends the program.
  main_ = std::make_unique<MainWindow>(*session_, [this] { return machine(); });
  fullColourView_ = new FullColourView(*session_, main_.get());
  insertValue_ = new InsertValueDialog(main_.get());
  userText_ = new UserTextWindow(*session_, main_.get());
  correction_ = new CorrectionWindow(*session_, main_.get());
  main_->attach({correction_, userText_, fullColourView_});

  if (!setup_.asker) {
    dialogs_ = std::make_unique<DialogAsker>(main_.get(), *insertValue_);
    session_->setAsker(dialogs_.get());
  }
}

Program::~Program() {
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
