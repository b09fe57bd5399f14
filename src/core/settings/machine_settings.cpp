#include "core/settings/machine_settings.h"

#include "core/common/entry_rule.h"

namespace chromaflow {

float settingValue(const std::string& text) {
  float single = 0;
  return readStoredValue(text, single) ? single : 0.0f;
}

int clampRollerPulses(long long pulses) {
  if (pulses < kRollerPulsesMin) return kRollerPulsesMin;
  if (pulses > kRollerPulsesMax) return kRollerPulsesMax;
  return static_cast<int>(pulses);
}

}  // namespace chromaflow
