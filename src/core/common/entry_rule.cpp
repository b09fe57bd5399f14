#include "core/common/entry_rule.h"

#include <cmath>

#include "core/common/display_forms.h"

namespace chromaflow {

bool readEntryValue(const std::string& typed, float& value) {
  if (typed.size() > kLongestValueText) return false;
  if (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) return false;
  const auto number = tryValue(typed);
  if (!number) return false;
  const auto single = static_cast<float>(*number);
  if (!std::isfinite(single)) return false;
  value = single;
  return true;
}

}  // namespace chromaflow
