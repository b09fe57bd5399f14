#pragma once
// The texts and states the main window and the correction window show, named after their
// controls and written in their display forms. Later computations read a figure back through
// value(text), so they see its display rounding. The windows only copy these into widgets.

#include <array>
#include <string>

#include "core/plan/colour_table.h"

namespace chromaflow {

constexpr Rgb kGreen = rgbOf(0, 128, 0);
constexpr Rgb kRed = rgbOf(255, 0, 0);
constexpr Rgb kBarGreen = rgbOf(0, 255, 0);

// One of the thin bars under the surface view: filled from the left edge to `fillTo`, green
// while painting is started, red while stopped; the rest in the button-face colour.
struct BarFigure {
  int fillTo = 0;
  Rgb colour = kRed;
  bool operator==(const BarFigure&) const = default;
};

struct MainWindowFigures {
  // Counters (pulses) and the inputs' states.
  std::string TrRoul = "0", TrP1 = "0", TrP2 = "0";
  bool CBR = false, CBP1 = false, CBP2 = false;
  // Pump constants and roller setting, copies of the settings.
  std::string P1trl = "220", P2trl = "220", PulseM2 = "50";
  // Whole job (the length, area and height totals are the plan's own).
  std::string P1lTot = "0.0", P2lTot = "0.0", P1P2ltot = "0.0";
  // Done.
  std::string Leffect = "0.0", Seffect = "0.0", P1lEffect = "0.00", P2lEffect = "0.00", P1P2lEffect = "0.00";
  // Remaining.
  std::string LReste = "0.0", SReste = "0.0", P1lReste = "0.0", P2lReste = "0.0", P1P2lReste = "0.0";
  // Position and measures.
  std::string Distance = "0.00", m2Roul = "0.0";
  std::string LitresP1 = "0.00", LitresP2 = "0.00";
  bool LitresP1Enabled = false, LitresP2Enabled = false;
  std::string PulseM2_ = "0";
  bool ButtonRoulEnabled = false;
  std::string Correction = "0.0";
  // Spray gun and pressure.
  std::string LCapteur = "0.0", LHz = "0.0";
  Rgb LHzColour = kRed;
  bool PulseSimuRoul = false;  // the output-9 box shows the output's state
  // Setpoint gauge and bars.
  int GaugeConsigne = 0;
  GaugeColours gaugeColours;
  BarFigure ImageParcouru, ImageProportion, ImageRemplissageTuyau;

  bool operator==(const MainWindowFigures&) const = default;
};

enum class Alarm { P1Lente, P2Lente, P1Rapide, P2Rapide, P1P2, P2P1, P1Stop, P2Stop };
constexpr int kAlarmCount = 8;
const char* alarmName(Alarm alarm);     // the panel's control name, "AlarmP1Lente"
const char* alarmCaption(Alarm alarm);  // "Alarme: P1 trop lente"

struct CorrectionFigures {
  // At the last reset.
  std::string StartTrRoul = "0", Startm2Roul = "0.0", LDistanceStart = "0.00";
  std::string StartTrP1 = "0", StartTrP2 = "0", StartLitresP1 = "0.00", StartLitresP2 = "0.00";
  // Now and since the reset.
  std::string LDistance = "0.00";
  std::string TrRoul = "0", m2Roul = "0.0", mRoul = "0.00";
  std::string TrP1 = "0", TrP2 = "0", LitresP1 = "0.00", LitresP2 = "0.00";
  std::string LitresP1Th = "0.00", LitresP2Th = "0.00";
  std::string LitresP1Ec = "0.00", LitresP2Ec = "0.00", LitresP1P2Ec = "0.00";
  std::string Correction = "0";
  std::array<bool, kAlarmCount> alarms{};  // visible panels, in the order of Alarm
  // Parameters, at their defaults at every start.
  std::string PCorrectMin = "0.0", PCorrectMax = "0.1", PCorrectMaxPct = "5", CorrectPStop = "5";

  bool alarm(Alarm a) const { return alarms[static_cast<int>(a)]; }
  bool operator==(const CorrectionFigures&) const = default;
};

// Counters kept as decimal integer texts.
long long counterValue(const std::string& text);
std::string incremented(const std::string& counter);

}  // namespace chromaflow
