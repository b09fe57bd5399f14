#pragma once
// Pump monitoring: since the last reset, the litres each pump really delivered (counted from
// its pulses) against the litres the plan asked of it; the alarms of a pump too slow, too fast
// or stopped; and the correction, in points of proportion, that pulls the mix back to the plan.

#include <string>

#include "core/common/entry_rule.h"
#include "core/control/figures.h"

namespace chromaflow {

enum class CorrectionParameter { PCorrectMin, PCorrectMax, PCorrectMaxPct, CorrectPStop };

const char* parameterPrompt(CorrectionParameter parameter);
EntryOutcome parameterRule(CorrectionParameter parameter, const std::string& typed);

// The proportional law: zero inside the dead band +-min, straight up to +-maxPct at +-max,
// saturated beyond.
float proportionalCorrection(float r, float min, float max, float maxPct);

class PumpMonitor {
 public:
  CorrectionFigures& figures() { return figures_; }
  const CorrectionFigures& figures() const { return figures_; }

  // One pass with the litres the plan asks up to the anticipated distance. Writes the
  // correction window's figures and the main window's Correction.
  void MonitorPumps(float litresP1, float litresP2, float distance, float paintedArea, MainWindowFigures& main);
  // "Remise à zéro": the reference becomes the main window's figures as they are now.
  void ResetCorrection(const MainWindowFigures& main);

  // A parameter typed in its panel: kept in the panel's form when the rule accepts it.
  EntryOutcome enterParameter(CorrectionParameter parameter, const std::string& typed);
  const std::string& parameterText(CorrectionParameter parameter) const;

 private:
  CorrectionFigures figures_;
};

}  // namespace chromaflow
