#pragma once
// The whole program as it runs: the session on the program's timers and ports, the simulated
// paint machine when the simulated card is what it drives, and the windows created once, in
// their fixed order, the main window first. main() makes one; the window tests and the
// benchmarks make theirs on a virtual clock.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/card/port_choice.h"
#include "core/common/asker.h"
#include "core/common/signal.h"
#include "core/control/input_acquisition.h"
#include "core/control/timer.h"
#include "history/history_writer.h"

namespace chromaflow {

namespace sim {
class AttachedMachine;
class SimulatedK8000;
}  // namespace sim

class Session;
class MainWindow;
class InsertValueDialog;
class UserTextWindow;
class CorrectionWindow;
class JobReportWindow;
class HistoryWindow;
class HistoryReading;
class FullColourView;
class SurfaceEditorWindow;
class ViewForm;
class ImageForm;
class SelectedColourView;
class ProportionEditorWindow;
class SettingsWindow;
class CardTestWindow;
class ColourWindow;
class PlanWindow;
class DialogAsker;
class ProgramHistory;
class PasswordKeeper;
class ScreenFit;

struct ProgramSetup {
  TimerSource& timers;
  // The program's clock in milliseconds, which the simulated machine moves by.
  std::function<std::int64_t()> nowMilliseconds;
  // Which port accesses may be tried; the simulated card stands on Lpt1 when none works.
  PortChoiceOptions ports{};
  // Who answers the program's questions; nothing: the desktop's dialogs.
  Asker* asker = nullptr;
  // The program on a real clock: the acquisition thread owns the card's bus and counts the
  // pulses, the simulated machine moves with the wall clock. Nothing: one reading per tick.
  std::optional<AcquisitionOptions> acquisition{};
  // Where every job painted is kept, and where the operator's choice of place is written; none:
  // no job is kept.
  ProgramHistory* history = nullptr;
  std::string historyPlaceFile{};
  // Where the shared history's password is kept between runs (the desktop's keychain); none:
  // a password typed serves this run only, and the status bar says so.
  PasswordKeeper* passwords = nullptr;
  // The operator's program: the projects it opens are held open, so that a second program
  // opening one of them says so (SessionSetup::holdProjectsOpen).
  bool holdProjectsOpen = false;
  // The foreman's view's settings (chromaflow-web's service), whose address "Historique..."
  // shows; none: no view is shown.
  std::string webViewSettingsFile{};
};

class Program {
 public:
  explicit Program(ProgramSetup setup);
  ~Program();

  Session& session() { return *session_; }
  MainWindow& mainWindow() { return *main_; }
  SurfaceEditorWindow& surfaceEditor() { return *surfaceEditor_; }
  ViewForm& viewForm() { return *viewForm_; }
  ImageForm& imageForm() { return *imageForm_; }
  SelectedColourView& selectedColourView() { return *selectedColourView_; }
  ProportionEditorWindow& proportionEditor() { return *proportionEditor_; }
  SettingsWindow& settingsWindow() { return *settings_; }
  CardTestWindow& cardTestWindow() { return *cardTest_; }
  ColourWindow& colourWindow() { return *colours_; }
  PlanWindow& planWindow() { return *plan_; }
  InsertValueDialog& insertValue() { return *insertValue_; }
  UserTextWindow& userText() { return *userText_; }
  CorrectionWindow& correction() { return *correction_; }
  FullColourView& fullColourView() { return *fullColourView_; }
  JobReportWindow& jobReport() { return *jobReport_; }
  HistoryWindow& historyWindow() { return *history_; }
  // The simulated machine, while the simulated card is the card in use.
  sim::AttachedMachine* machine();
  // The simulated card, once the program has fallen back on it.
  sim::SimulatedK8000* simulatedCard() { return simulatedCard_; }

 private:
  // The operator chose another place for the history in the "Historique" dialog: it is kept for
  // the next runs, and the jobs go there from now on.
  void moveHistory(const HistoryPlace& place);
  // The shared history's password: asked of the keychain for the place now, used once it comes;
  // kept there when the operator gives one.
  void findHistoryPassword();
  void useFoundPassword();
  void keepHistoryPassword(const std::string& connection, const std::string& password);

  ProgramSetup setup_;
  sim::SimulatedK8000* simulatedCard_ = nullptr;  // owned by the session's port
  // Keeps every window shown within its screen.
  std::unique_ptr<ScreenFit> screenFit_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<sim::AttachedMachine> machine_;
  std::unique_ptr<MainWindow> main_;
  // The other windows belong to the main window, which closes them with it.
  SurfaceEditorWindow* surfaceEditor_ = nullptr;
  ViewForm* viewForm_ = nullptr;
  ImageForm* imageForm_ = nullptr;
  SelectedColourView* selectedColourView_ = nullptr;
  ProportionEditorWindow* proportionEditor_ = nullptr;
  FullColourView* fullColourView_ = nullptr;
  SettingsWindow* settings_ = nullptr;
  CardTestWindow* cardTest_ = nullptr;
  ColourWindow* colours_ = nullptr;
  PlanWindow* plan_ = nullptr;
  InsertValueDialog* insertValue_ = nullptr;
  UserTextWindow* userText_ = nullptr;
  CorrectionWindow* correction_ = nullptr;
  JobReportWindow* jobReport_ = nullptr;
  HistoryWindow* history_ = nullptr;
  std::unique_ptr<DialogAsker> dialogs_;
  // The password the keychain gave, waiting for the job running to end before the history's
  // writer is started again with it.
  std::optional<std::string> foundPassword_;
  Subscription jobEnds_;
  // The keychain's answers that come after the program went find it gone.
  std::shared_ptr<Program*> alive_ = std::make_shared<Program*>(this);
};

}  // namespace chromaflow
