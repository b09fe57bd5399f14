#include "core/control/pump_monitor.h"

#include <charconv>
#include <cmath>

#include "core/common/display_forms.h"

namespace chromaflow {
namespace {

// The shortest text of a number: an integer shows without decimals.
std::string shortest(double v) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

}  // namespace

const char* parameterPrompt(CorrectionParameter parameter) {
  switch (parameter) {
    case CorrectionParameter::PCorrectMin: return "Correction min 0..1(litres)";
    case CorrectionParameter::PCorrectMax: return "Correction max 0..1(litres)";
    case CorrectionParameter::PCorrectMaxPct: return "Correction max 0..10 (%)";
    case CorrectionParameter::CorrectPStop: break;
  }
  return "Correction si pompe arrêtée 0..10(%)";
}

EntryOutcome parameterRule(CorrectionParameter parameter, const std::string& typed) {
  float v = 0;
  if (!readEntryValue(typed, v)) return EntryOutcome::refuse();
  switch (parameter) {
    case CorrectionParameter::PCorrectMin:
    case CorrectionParameter::PCorrectMax:
      return v >= 0 && v <= 1 ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
    case CorrectionParameter::PCorrectMaxPct:
      return v >= 0 && v <= 10 ? EntryOutcome::accept(formatFixed(v, 0)) : EntryOutcome::refuse();
    case CorrectionParameter::CorrectPStop:
      return v >= 0 && v <= 10 ? EntryOutcome::accept(F1(v)) : EntryOutcome::refuse();
  }
  return EntryOutcome::refuse();
}

float proportionalCorrection(float r, float min, float max, float maxPct) {
  if (min >= std::fabs(r)) return 0;
  if (r >= max) return maxPct;
  if (r <= -max) return -maxPct;
  // Reached only with min < |r| < max, so max - min is never zero here.
  if (r > 0) return maxPct * (r - min) / (max - min);
  return -maxPct + maxPct * (r + max) / (max - min);
}

namespace {

std::string CorrectionFigures::*panelOf(CorrectionParameter parameter) {
  switch (parameter) {
    case CorrectionParameter::PCorrectMin: return &CorrectionFigures::PCorrectMin;
    case CorrectionParameter::PCorrectMax: return &CorrectionFigures::PCorrectMax;
    case CorrectionParameter::PCorrectMaxPct: return &CorrectionFigures::PCorrectMaxPct;
    case CorrectionParameter::CorrectPStop: break;
  }
  return &CorrectionFigures::CorrectPStop;
}

}  // namespace

const std::string& PumpMonitor::parameterText(CorrectionParameter parameter) const {
  return figures_.*panelOf(parameter);
}

EntryOutcome PumpMonitor::enterParameter(CorrectionParameter parameter, const std::string& typed) {
  EntryOutcome outcome = parameterRule(parameter, typed);
  if (!outcome.refused()) figures_.*panelOf(parameter) = outcome.stored;
  return outcome;
}

void PumpMonitor::MonitorPumps(float litresP1, float litresP2, float distance, float paintedArea,
                               MainWindowFigures& main) {
  CorrectionFigures& f = figures_;
  f.LDistance = F2(distance);
  f.LitresP1Th = F2(litresP1 - value32(f.StartLitresP1));
  f.LitresP2Th = F2(litresP2 - value32(f.StartLitresP2));
  const float dP1 = value32(f.LitresP1) - value32(f.LitresP1Th);
  const float dP2 = value32(f.LitresP2) - value32(f.LitresP2Th);
  const float r = dP1 - dP2;

  float c = proportionalCorrection(r, value32(f.PCorrectMin), value32(f.PCorrectMax), value32(f.PCorrectMaxPct));
  f.LitresP1Ec = F2(dP1);
  f.LitresP2Ec = F2(dP2);

  auto set = [&f](Alarm alarm, bool raised) { f.alarms[static_cast<int>(alarm)] = raised; };
  set(Alarm::P1Lente, dP1 < 0 && f.TrP1 != "0");
  set(Alarm::P2Lente, dP2 < 0 && f.TrP2 != "0");
  set(Alarm::P1Rapide, dP1 > 0);
  set(Alarm::P2Rapide, dP2 > 0);
  f.LitresP1P2Ec = F2(r);
  set(Alarm::P1P2, r > 0);
  set(Alarm::P2P1, r < 0);
  set(Alarm::P1Stop, dP1 < 0 && f.TrP1 == "0");
  set(Alarm::P2Stop, dP2 < 0 && f.TrP2 == "0");

  // A stopped P1 lowers P2's share, a stopped P2 raises it.
  if (f.alarm(Alarm::P1Stop)) c = c - value32(f.CorrectPStop);
  if (f.alarm(Alarm::P2Stop)) c = c + value32(f.CorrectPStop);
  f.Correction = F1(c);
  main.Correction = f.Correction;

  f.TrRoul = shortest(value(main.TrRoul) - value(f.StartTrRoul));
  f.m2Roul = F1(paintedArea - value32(f.Startm2Roul));
  f.mRoul = F2(distance - value32(f.LDistanceStart));
}

void PumpMonitor::ResetCorrection(const MainWindowFigures& main) {
  CorrectionFigures& f = figures_;
  f.StartTrRoul = main.TrRoul;
  f.Startm2Roul = main.Seffect;
  f.LDistanceStart = main.Distance;
  f.StartTrP1 = main.TrP1;
  f.StartTrP2 = main.TrP2;
  f.StartLitresP1 = main.P1lEffect;
  f.StartLitresP2 = main.P2lEffect;
  f.LDistance = main.Distance;
  f.TrRoul = "0";
  f.m2Roul = "0.0";
  f.mRoul = "0.00";
  f.TrP1 = "0";
  f.TrP2 = "0";
  f.LitresP1 = "0.00";
  f.LitresP2 = "0.00";
  f.LitresP1Th = "0.00";
  f.LitresP2Th = "0.00";
  f.LitresP1Ec = "0.00";
  f.LitresP2Ec = "0.00";
  f.LitresP1P2Ec = "0.00";
  for (Alarm a : {Alarm::P1Stop, Alarm::P2Stop, Alarm::P1Rapide, Alarm::P2Rapide, Alarm::P1P2, Alarm::P2P1})
    f.alarms[static_cast<int>(a)] = false;
  f.Correction = "0";
}

}  // namespace chromaflow
