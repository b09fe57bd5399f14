#pragma once
// The one object a program holds: the parallel port in use and why hardware was not used, the
// I2C bus and the card, the four documents, the painting control and its three timers, the
// language of the main window, and the asker through which the operator is asked for names and
// values. Every operator gesture is one operation here; it runs the whole chain of what follows
// it (recompute, redraw, dosing, correction reset) and then tells the listeners, once, what
// changed. The windows only show what the session holds and forward gestures.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/card/card_probe.h"
#include "core/card/card_test_panel.h"
#include "core/card/i2c_bus.h"
#include "core/card/k8000_card.h"
#include "core/card/port_choice.h"
#include "core/card/port_router.h"
#include "core/common/asker.h"
#include "core/common/signal.h"
#include "core/control/input_acquisition.h"
#include "core/control/job_record.h"
#include "core/control/job_verdict.h"
#include "core/control/painting_control.h"
#include "core/control/timer.h"
#include "core/plan/colour_picker.h"
#include "core/plan/proportion_editor.h"
#include "core/plan/surface_editor.h"
#include "core/session/change.h"
#include "core/session/documents.h"
#include "core/session/job_keeping.h"
#include "core/session/main_view_sources.h"
#include "core/session/pointer_editing.h"
#include "core/settings/settings_entry.h"
#include "core/settings/thickness_units.h"

namespace chromaflow {

// The buttons the row editors and the colour picker share ("Insérer" is the row editors' only).
enum class EditorButton { Ok, Insert, Delete, DeleteAll, Cancel };

struct SessionSetup {
  TimerSource& timers;
  PortOpener openPort;  // the access to each parallel port: hardware when it can, otherwise why not
  Asker* asker = nullptr;  // none: every question is answered "Annuler"
  // The program running live: the acquisition thread owns the card's bus and counts the
  // pulses. Nothing: one reading of the card per tick, as replays and tests need.
  std::optional<AcquisitionOptions> acquisition{};
  // The time of day for the job history, UTC milliseconds since 1970; nothing: the system's.
  std::function<std::int64_t()> timeOfDay{};
  // The desktop program: a project opened is held open, and the open says when another program
  // of this PC holds it open too (Project::holdOpen).
  bool holdProjectsOpen = false;
};

class Session {
 public:
  explicit Session(SessionSetup setup);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // What changed, once per operation and once per reading-cycle tick that changed something.
  Signal<Change> changed;
  // Around every reading-cycle tick, whatever it changed: for recorders of the run.
  Signal<> tickStarting;
  Signal<> ticked;

  // --- What the session holds, to show.
  const SettingsDocument& settings() const { return documents_.settings; }
  const Plan& plan() const { return documents_.plan; }
  const ColourTable& colours() const { return documents_.colours; }
  const Project& project() const { return documents_.project; }
  const PaintingControl& control() const { return control_; }
  const MainWindowFigures& main() const { return control_.main(); }
  const CorrectionFigures& correction() const { return control_.correction(); }
  const PaintingState& state() const { return control_.state(); }
  const PathModel& path() const { return control_.path(); }
  const K8000Card& card() const { return card_; }
  // The acquisition thread, while the program runs live.
  InputAcquisition* acquisition() { return acquisition_.get(); }
  const InputAcquisition* acquisition() const { return acquisition_.get(); }
  // What was really laid since the last run from the start of the path ("->|<-").
  const JobRecord& jobRecord() const { return record_; }
  // What the last reading-cycle tick showed the job record.
  JobTick jobTick() const;
  // The job's verdict: the record judged at the tolerance set. The report and the job sheet both
  // head with it.
  JobVerdict jobVerdict() const;
  double verdictTolerance() const { return verdictTolerance_; }
  // Points of proportion either way; a tolerance not above 0 is ignored. Not saved: every start
  // judges at the default.
  void setVerdictTolerance(double points);
  // --- The job history. Every job painted is handed to the history set (none: not kept); see
  // JobKeeping for when a job starts and ends.
  void setJobHistory(JobHistory* history);
  JobHistory* jobHistory() const { return jobs_.history(); }
  // What paints, as the history keeps it: "carte K8000 sur Lpt1", "machine simulée (...)".
  void setJobBackend(std::string backend) { jobBackend_ = std::move(backend); }
  const std::string& jobBackend() const { return jobBackend_; }
  // A job is running: painted since the project was opened or the last job ended.
  bool jobRunning() const { return jobs_.running(); }
  // "Terminer le chantier": the running job is ended and kept, and the record starts anew.
  void finishJob();
  // What the history keeps of the job besides its record.
  JobDescription describeJob() const;

  // The roller's and the pumps' pulses made and never counted, where the machine tells them.
  std::optional<std::uint64_t> pulsesLost() const;
  ParallelPortKind selectedPort() const { return bus_.selectedPort(); }
  // The access to a port (nothing while it has not been used) and one line about it.
  const PortChoice* portChoice(ParallelPortKind kind) const { return ports_.choice(kind); }
  std::string portSummary(ParallelPortKind kind) const { return ports_.summary(kind); }
  // Which of the card's chips answered at start or at the last "Init".
  const std::optional<CardProbe>& cardProbe() const { return probe_; }
  int language() const { return language_; }  // 1 French, 2 English, 3 Dutch, 4 German
  Asker* asker() const { return asker_; }
  void setAsker(Asker* asker) { asker_ = asker; }

  // --- The program and its main window.
  // The main window became active (at start, and on return from any other window): card
  // initialised, hose empty, distance 0, the next tick only records the inputs.
  void activateMainWindow();
  void setViewMetrics(const ViewMetrics& view);
  void applyLanguage(int n);  // "Langue": 1..4, anything else ignored
  void selectParallelPort(ParallelPortKind kind);

  // Machine gestures of the main window.
  void setRunning(bool start);  // "Start" / "Stop"
  void toggleGun();             // BPistolet
  void switchGunValve(bool on);  // PulseSimuRoul
  void hoseEmptyButton();       // ButRemplissage_0
  void hoseFullButton();        // ButRemplissage_Full
  void rollerButton();          // ButtonRoul ">"
  // A click on LitresP1/LitresP2 or on Distance: the value is asked, then entered.
  void clickPumpLitres(Pump pump);
  void clickDistance();
  // The same entries with the text already typed.
  EntryOutcome enterPumpLitres(Pump pump, const std::string& typed);
  EntryOutcome enterDistance(const std::string& typed);
  void dragTravelled(int x);  // the travelled marker moved to x on ImageParcouru
  void dragHose(int x);       // the hose marker moved to x on ImageRemplissageTuyau

  // The pointer on the main window's images: what the drawing and the read-outs are computed
  // from, and the gestures. Each move answers the cursor (and, on the chart, the hit) to show.
  MainViewSources viewSources() const;
  const ChartEditState& chartEditing() const { return chart_; }
  ChartPointerAnswer chartPointerMoved(int x, int y);  // ImageProp
  void chartButtonPressed();
  void chartButtonReleased(int x, int y);  // a point picked up lands here
  void chartInsert();                      // pop-up "Insérer", where the pop-up opened
  void chartDelete();                      // pop-up "Supprimer"
  PointerCursor travelBarMoved(int x);     // ImageParcouru
  void travelBarPressed(int x);
  void travelBarReleased();
  PointerCursor hoseBarMoved(int x);       // ImageRemplissageTuyau
  void hoseBarPressed(int x);
  void hoseBarReleased();
  // The colour picked on the surface view (PropR, PropG, PropB, PanelRGB and the full colour
  // view); nothing before the first pick.
  const std::optional<Rgb>& surfacePick() const { return surfacePick_; }
  void pickSurfaceColour(Rgb colour);

  // --- Correction window.
  void resetCorrection();  // "Remise à zéro"
  void clickCorrectionParameter(CorrectionParameter parameter);
  EntryOutcome enterCorrectionParameter(CorrectionParameter parameter, const std::string& typed);

  // --- Card test window: its controls as they stand, and each operator action.
  const CardTestControls& testControls() const { return testPanel_.controls(); }
  CardTestDiagnostics testDiagnostics() const { return testPanel_.diagnostics(); }
  void setTestWindowOpen(bool open);  // activated / closed
  void setCycleInterval(int milliseconds);
  void testChannelBox(int channel, bool checked);  // CBn
  void testMakeInput(int channel);                 // In
  void testMakeOutput(int channel);                // On
  void testScrollDac(int channel, int position);   // ScrollBarDACn
  void testScrollDa(int position);                 // ScrollBarDA: the DA output takes 255 - position
  void testReadInputs();                           // "Lecture des entrées"
  void testSetOutputs();                           // "Sorties => 1"
  void testClearOutputs();                         // "Sorties => 0"
  void testInit();                                 // "Init", and the chips probed
  void testCycleChanged(int value);                // SpinEditCycle
  void testCardEnabled(bool checked);              // CBActivCarte
  void testRunningLight(bool checked);             // CBtestOutput: one step per tick of its timer

  // --- Project menu and user text.
  // New, Open and the closing of the project ("&Quitter", the main window's close box) would
  // lose the job's changes not yet saved: the operator is asked first whether to save them
  // ("Enregistrer", as the menu's own, asking a name when the project has none), to lose them
  // or to give up the gesture; a save cancelled or failed gives it up too. Without an asker
  // the answer is "Annuler". Each says whether the gesture went on.
  bool newProject();
  bool openProject(bool ask);  // false also when nothing was opened or the file broke off
  bool mayCloseProject();
  bool openProjectFile(const std::string& path);  // a project named on the command line, at start
  bool saveProject(bool ask);  // false when nothing was written
  void setUserText(std::vector<std::string> lines);
  // The job differs from its files (any document or the user text); the settings alone differ
  // from their own file, which the settings window's New and Open look at.
  bool projectModified() const { return documents_.project.modified(); }
  bool settingsModified() const { return documents_.settings.modified(); }
  // The main window's caption: the project's title, followed by "*" while the job differs from
  // its files.
  std::string mainWindowTitle() const;

  // --- Settings window. New and Open ask first about the settings' changes not yet saved, as
  // the project's do, and say whether they went on.
  bool newSettings();
  bool openSettings(bool ask);
  bool saveSettings(bool ask);
  void clickSettingsPanel(SettingsPanel panel);
  EntryOutcome enterSettingsPanel(SettingsPanel panel, const std::string& typed);
  EntryOutcome enterSettingsSpin(SettingsSpin spin, const std::string& typed);
  void presetPulseM2();  // "<="
  void settingsWindowActivated();
  void settingsWindowClosed();
  const ThicknessUnitChoice& thicknessUnit() const { return thicknessUnit_; }
  void chooseThicknessUnit(ThicknessUnit unit);

  // --- Plan window and its rows.
  void newPlan();
  bool openPlan(bool ask);
  bool savePlan(bool ask);
  void selectHoseState(HoseState state);
  void setStartProportion(int proportion);
  void setAnticipation(bool on);
  void setMixingLead(bool on);  // "Compensation du mélange"
  void planWindowShown();
  void planWindowLeft();
  // The proportion bar of the initial conditions under the pointer (only while the hose is full);
  // with the left button held, StartProportion follows it.
  BarPointer pointStartProportionBar(int x, int width, bool leftButtonDown);
  // Surface rows: each redraws the main window's views. False when the plan refused the row.
  bool appendSurface(Surface surface);
  bool insertSurface(int before, Surface surface);
  bool setSurface(int i, Surface surface);
  bool removeSurface(int i);
  void clearSurfaces();
  // Proportion rows: each redraws the proportion views.
  void appendProportion(const std::string& distance, int proportion);
  bool setProportion(int j, const std::string& distance, int proportion);
  bool removeProportion(int j);
  void clearProportions();

  // --- Colour window and the colour picker's rows.
  void newColours();
  bool openColours(bool ask);
  bool saveColours(bool ask);
  void colourWindowActivated();
  void colourWindowLeft();
  void addColourRow(const ColourRow& row);
  void setColourRow(int row, const ColourRow& value);
  void removeColourRow(int row);

  // --- The row editors, opened on a cell of the plan window's grids (n + 1: the " +" row).
  // Their fields are the editors' own; the buttons change the plan and run the chain the
  // outcome asks for (warnings to the asker, redraws, gauge colours). "Supprimer tout" on a
  // table that has rows asks the operator first; "Non" (or no asker) changes nothing and
  // leaves the editor open.
  const SurfaceEditor& surfaceEditor() const { return surfaceEditor_; }
  void openSurfaceEditor(int row);
  void setHauteur(std::string text);
  void setLongueur(std::string text);
  void leaveHauteur();
  void leaveLongueur();
  EditorOutcome surfaceEditorButton(EditorButton button);

  const ProportionEditor& proportionEditor() const { return proportionEditor_; }
  void openProportionEditor(int row);
  void setEditorDistance(std::string text);
  void setEditorProportion(int proportion);  // SpinEditProp changed or left
  BarPointer pointEditorProportionBar(int x, int width, bool leftButtonDown);
  EditorOutcome proportionEditorButton(EditorButton button);

  // --- The image colour picker, opened on a cell of the colour window's grid.
  const ColourPicker& colourPicker() const { return picker_; }
  void openColourPicker(int row);
  PickerView colourPickerActivated();
  void setPickerComponent(Component component, int value);
  void setPickerColour(Rgb colour);  // "Couleur personalisée"
  void setPickerProportion(int proportion);
  BarPointer pointPickerComponentBar(Component component, int x, int width, bool leftButtonDown);
  BarPointer pointPickerProportionBar(int x, int width, bool leftButtonDown);
  void pictureLoaded(const std::string& path, PictureKind kind, int width, int height);
  void setPickerStretch(bool on);
  // A click on the picture; the window reads its pixels. An icon or metafile has none: the
  // asker's error box says so.
  PickResult pickColour(int x, int y, const std::function<Rgb(int, int)>& pixelColour);
  EditorOutcome colourPickerButton(EditorButton button);

 private:
  // Runs an operation: listeners hear of everything it changed once, when the outermost
  // operation ends (also when it ends with an exception).
  template <typename Body>
  auto operation(Body&& body);
  void note(Changed what) { pending_ |= what; }
  void finish();

  void readingCycleTick();
  void followJobRecord();
  // The record starts anew from where the roller is: a new run of the path.
  void restartRecord();
  // Ends the running job, told as `description`, and starts the record anew.
  void putJobAway(const JobDescription& description);
  // The job as the history is told it: while another project is being opened (its dialogs let
  // the reading cycle tick), as the project it painted.
  JobDescription jobDescription() const;
  void redrawViews();            // surface view, then proportion views
  void redrawProportionViews();  // proportion views only
  void afterColourRowEdit();
  // A document operation that may fail on the file system: the error goes to the asker.
  template <typename Open>
  bool fileOperation(Changed changes, Open&& open);
  // Opens a project in place of this one (`open` reads it), ending the job of this one.
  template <typename Open>
  bool openAnotherProject(Open&& open);
  // A project opened with files skipped, refused or asked for says so once, after the open.
  void reportWhatTheOpenMet();
  // Before a gesture that would lose the changes of a document known as `shownName`: true when
  // it may go on (nothing to lose, saved with `save`, or lost on purpose).
  bool changesMayBeLost(bool modified, const std::string& shownName, const std::function<bool()>& save);
  bool mayReplaceSettings();  // the settings window's New and Open
  // The operator's "Oui" to a question before a table is cleared; no asker answers "Non".
  bool confirmed(const std::string& question);

  template <typename Action>
  void testAction(Action&& action);
  template <typename Edit>
  void editorField(Edit&& edit);
  EditorOutcome followEditor(EditorOutcome outcome, Changed rows);

  Asker* asker_;
  PortRouter ports_;
  I2cBus bus_;
  K8000Card card_;
  CardTestPanel testPanel_;
  std::optional<CardProbe> probe_;
  Documents documents_;
  Timer& refreshTimer_;
  Timer& pulseTimer_;
  Timer& cycleTimer_;
  Timer& runningLightTimer_;
  std::unique_ptr<InputAcquisition> acquisition_;
  PaintingControl control_;
  int language_ = 1;
  SurfaceEditor surfaceEditor_{documents_.plan};
  ProportionEditor proportionEditor_{documents_.plan, documents_.colours};
  ColourPicker picker_{documents_.colours, documents_.plan};
  ThicknessUnitChoice thicknessUnit_;
  ChartEditState chart_;
  bool travelDragging_ = false;  // the travelled-distance marker is being moved
  bool hoseDragging_ = false;    // the hose-filling marker is being moved
  std::optional<Rgb> surfacePick_;
  JobRecord record_;
  JobKeeping jobs_;
  std::string jobBackend_;
  std::optional<JobDescription> openingFrom_;  // the project being replaced by an open
  double verdictTolerance_ = JobVerdict::kDefaultTolerance;
  std::int64_t runMilliseconds_ = 0;
  std::optional<std::uint64_t> shownPulsesLost_;  // reading-cycle time since the record started
  unsigned long long recordedPlanRevision_ = 0;

  int depth_ = 0;
  bool inTick_ = false;
  bool shownModified_ = false;  // whether the title last shown marked the job as modified
  Change pending_;
  std::vector<Subscription> wiring_;
};

}  // namespace chromaflow
