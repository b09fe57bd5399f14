#include "settings/machine_settings.h"

#include <cmath>

#include "common/display_forms.h"

namespace chromaflow {

float settingValue(const std::string& text) {
  const auto number = tryValue(text);
  if (!number) return 0.0f;
  const auto single = static_cast<float>(*number);
  return std::isfinite(single) ? single : 0.0f;
}

int clampRollerPulses(long long pulses) {
  if (pulses < kRollerPulsesMin) return kRollerPulsesMin;
  if (pulses > kRollerPulsesMax) return kRollerPulsesMax;
  return static_cast<int>(pulses);
}

}  // namespace chromaflow
