#include "core/plan/editing.h"

#include <cmath>

#include "core/common/entry_rule.h"
#include "core/settings/decode_line.h"

namespace chromaflow {

std::optional<float> typedMetres(std::string_view text) {
  const auto typed = withDecimalPoint(text);
  if (!typed) return std::nullopt;
  const auto number = realOfField(*typed);
  if (!number) return std::nullopt;
  const auto metres = static_cast<float>(*number);
  if (!std::isfinite(metres)) return std::nullopt;
  return metres;
}

}  // namespace chromaflow
