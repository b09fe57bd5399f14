#pragma once
// The card test window's logic without the window: every operator action on it as one
// operation on the card, the window's controls as they stand (named after the window's
// controls), and the running-light output test as a stepper driven by a timer, one step per
// tick, so that the operator's input is handled between steps.
//
// RefreshTestWindow copies the card image into the controls. The panel's owner calls it when the
// card raises its `refreshed` event (the owner may have more to do on a refresh). Setting the
// controls from the image is display only: a window showing them must not take the change of a
// control for an operator's action.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/card/card_image.h"
#include "core/card/card_probe.h"
#include "core/card/k8000_card.h"
#include "core/card/parallel_port.h"

namespace chromaflow {

inline constexpr int kDacPositionTop = kDacMax;  // ScrollBarDACn runs 0..63, top = 63
inline constexpr int kDaPositionTop = 255;       // ScrollBarDA runs 0..255, top = 255

struct CardTestControls {
  // Group "Digital Input-Output", boxes 1..16 (entry 0 unused).
  std::array<bool, kDigitalChannels + 1> CB{};  // CBn: the channel's state
  std::array<bool, kDigitalChannels + 1> In{};  // In: channel is an input
  std::array<bool, kDigitalChannels + 1> On{};  // On: channel is an output
  // Group "DAC", boxes 1..8: bar position 63 - value, label the value.
  std::array<int, kDacChannels + 1> ScrollBarDAC{};
  std::array<std::string, kDacChannels + 1> ValDAC{};
  // Group "DA": bar position 255 - value, label the value.
  int ScrollBarDA = 0;
  std::string ValDA;
  // Group "AD", boxes 1..4: gauge and label the value read.
  std::array<int, kAnalogInputs + 1> GaugeAD{};
  std::array<std::string, kAnalogInputs + 1> ValAD{};
  // The hidden controls.
  bool CBtestOutput = false;  // "Test des sorties 0/1"
  bool CBActivCarte = true;   // "Activation carte K8000"
  int SpinEditCycle = 20;     // "Cycle", msec

  // As the window shows them before its first refresh.
  static CardTestControls initial();
  bool operator==(const CardTestControls&) const = default;
};

// What the window may show of the card's connection when asked to.
struct CardTestDiagnostics {
  ParallelPortKind port = ParallelPortKind::Lpt1;  // the bus's selected port
  std::string portAccess;                          // the access in use on it, in words
  std::optional<CardProbe> probe;                  // the last "Init"'s answer, chip by chip
};

class CardTestPanel {
 public:
  // Describes the port access in use on a port (e.g. PortRouter::summary); none: not shown.
  using PortAccessText = std::function<std::string(ParallelPortKind)>;

  explicit CardTestPanel(K8000Card& card, PortAccessText portAccess = {});
  CardTestPanel(const CardTestPanel&) = delete;
  CardTestPanel& operator=(const CardTestPanel&) = delete;

  const CardTestControls& controls() const { return controls_; }
  CardTestDiagnostics diagnostics() const;

  // The card image into the controls: states, directions, DAC, DA and analog readings.
  void RefreshTestWindow();
  // After every refresh, for the window to show the controls.
  std::function<void()> refreshed;

  // Operator actions. Channel numbers outside the card's range are refused by the card with
  // std::out_of_range before any bus traffic; bar positions are taken to the bar's range.
  void CBClick(int channel, bool checked);   // CBn: switch the output on or off
  void InClick(int channel);                 // In: make the channel an input
  void OnClick(int channel);                 // On: make the channel an output, switched off
  void ScrollBarDACChange(int channel, int position);
  void ScrollBarDAChange(int position);
  void Button1Click();           // "Lecture des entrées": all inputs, everything read
  void ButtonSetOutputClick();   // "Sorties => 1"
  void ButtonClearOutputClick(); // "Sorties => 0"
  CardProbe Button2Click();      // "Init": the card initialised, then its chips probed
  // The reading cycle's interval to apply, or nothing for a value of 0 or below.
  std::optional<int> SpinEditCycleChange(int value);
  void CBActivCarteClick(bool checked);
  // Checked: all channels outputs and off, DA at 0, the light placed before channel 1.
  // Unchecked: all outputs off at once and the light stops.
  void CBtestOutputClick(bool checked);

  // One step of the running light: the next channel lit alone, all outputs flashed on at each
  // end. Returns the channel lit, 0 when the test is not running.
  int step();
  bool runningLight() const { return controls_.CBtestOutput; }

 private:
  K8000Card& card_;
  PortAccessText portAccess_;
  CardTestControls controls_ = CardTestControls::initial();
  std::optional<CardProbe> probe_;
  int lit_ = 0;
  bool goingUp_ = true;
};

}  // namespace chromaflow
