#pragma once
// The painting control: the 20 ms reading cycle that counts roller and pump pulses and
// regulates the spray-gun pressure, the dosing update that writes the mix setpoint to the
// card, the pump monitoring, and the operator's actions on the machine's state (start/stop,
// gun, hose buttons, calibrations). Headless: the windows show its figures and call it.

#include <string>

#include "core/card/k8000_card.h"
#include "core/card/machine_wiring.h"
#include "core/common/entry_rule.h"
#include "core/common/signal.h"
#include "core/control/figures.h"
#include "core/control/input_capture.h"
#include "core/control/painting_state.h"
#include "core/control/path_model.h"
#include "core/control/pump_monitor.h"
#include "core/control/timer.h"
#include "core/plan/colour_table.h"
#include "core/plan/plan.h"
#include "core/settings/settings_document.h"

namespace chromaflow {

// The main window's timers, which the control drives.
struct ControlTimers {
  Timer& TimerCycleLectureCarte;  // 20 ms: readingCycleTick
  Timer& TimerPulseDO9;           // computed: pulseTick
  Timer& TimerRefreshscreen;      // 200 ms: refreshTick
};

enum class Pump { P1, P2 };

class PaintingControl {
 public:
  PaintingControl(K8000Card& card, SettingsDocument& settings, Plan& plan, ColourTable& colours,
                  ControlTimers timers);

  const MainWindowFigures& main() const { return main_; }
  const CorrectionFigures& correction() const { return monitor_.figures(); }
  const PaintingState& state() const { return state_; }
  const PathModel& path() const { return path_; }
  const ViewMetrics& view() const { return view_; }
  const Timer& gunPulseTimer() const { return timers_.TimerPulseDO9; }
  // The main window's images were resized: the conversions follow their pixel sizes.
  void setViewMetrics(const ViewMetrics& view) { view_ = view; }

  // Where the reading cycle takes the inputs and their changes from: nothing, one reading of
  // the card per tick; or the acquisition thread's counts while the program runs live.
  void takeInputsFrom(InputSource* source) { inputs_ = source ? source : &cardReading_; }

  // Timer handlers.
  void readingCycleTick();
  void pulseTick();
  void refreshTick() { state_.RefreshPhase = !state_.RefreshPhase; }

  // The main window became the active window: card re-initialised, hose empty, distance 0,
  // and the next tick only records the inputs.
  void activateMainWindow();
  // The card test window is active (the dosing then leaves the analog output alone).
  void setTestWindowOpen(bool open) { state_.TestWindowOpen = open; }
  // The test window's cycle interval; values of 0 or below are ignored.
  void setCycleInterval(int milliseconds);

  void setRunning(bool start);       // "Start" / "Stop"
  void toggleGun();                   // BPistolet
  void switchGunValve(bool on);        // the PulseSimuRoul box

  void DosingUpdate();
  void ResetCorrection() { monitor_.ResetCorrection(main_); }
  // A click on one of the correction window's parameter panels, with the text typed.
  EntryOutcome enterCorrectionParameter(CorrectionParameter parameter, const std::string& typed) {
    return monitor_.enterParameter(parameter, typed);
  }
  const std::string& correctionParameterText(CorrectionParameter parameter) const {
    return monitor_.parameterText(parameter);
  }
  // The state part of the main window's redraws: totals of the job, dosing, correction reset.
  void RedrawSurfaceView();
  void RedrawProportionViews();
  void UpdateGaugeColours() { main_.gaugeColours = colours_.UpdateGaugeColours(); }

  // Operator actions on the main window.
  void hoseEmptyButton();   // ButRemplissage_0, only while Distance is 0
  void hoseFullButton();    // ButRemplissage_Full
  bool canEnterPumpLitres(Pump pump) const;
  // The litres really pumped: the pump's pulses per litre follow. An entry of 0 is written but
  // gives no rate: it fails with the message for the operator and the pulses per litre stay.
  EntryOutcome enterPumpLitres(Pump pump, const std::string& typed);
  EntryOutcome enterDistance(const std::string& typed);  // the distance really travelled
  void rollerButton();                                    // ButtonRoul ">"
  void dragTravelled(int x);                              // on ImageParcouru
  void dragHose(int x);                                   // on ImageRemplissageTuyau, only while Distance is 0

  // The surface view and the proportion views were redrawn (their state part: totals, dosing,
  // correction reset); the pictures follow.
  Signal<> surfaceViewRedrawn;
  Signal<> proportionViewsRedrawn;

 private:
  void regulatePressure();
  void rollerPulse();
  void countPump(const InputCapture& taken, int channel, bool& box, std::string& mainCounter,
                 std::string& sinceReset, std::string& litres, const std::string& pulsesPerLitre);
  bool gunValveIsOutput() const { return !card_.image().isInput(kMachineWiring.gunValve); }
  BarFigure bar(int fillTo) const { return {fillTo, state_.Running ? kBarGreen : kRed}; }
  void copyMirrors();

  // The dosing update's steps, in the order it runs them.
  float anticipateDistance();
  void fillHoseOnceMoving();
  void showPosition();
  Litres showLitresDue(float anticipated);
  void showRemaining();
  void showRollerCalibration();
  void showMeasuredLitres();
  void writeMixSetpoint(float asked);

  K8000Card& card_;
  CardReadingSource cardReading_{card_};
  InputSource* inputs_ = &cardReading_;
  SettingsDocument& settings_;
  Plan& plan_;
  ColourTable& colours_;
  ControlTimers timers_;
  PathModel path_;
  PumpMonitor monitor_;
  MainWindowFigures main_;
  PaintingState state_;
  ViewMetrics view_;
  Subscription mirrors_, hoseState_;
};

}  // namespace chromaflow
