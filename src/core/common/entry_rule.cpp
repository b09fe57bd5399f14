#include "core/common/entry_rule.h"

#include <cmath>

#include "core/common/display_forms.h"

namespace chromaflow {

std::optional<std::string> withDecimalPoint(std::string_view typed) {
  std::string text(typed);
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return text;
  if (text.find(',', comma + 1) != std::string::npos || text.find('.') != std::string::npos) return std::nullopt;
  text[comma] = '.';
  return text;
}

bool readEntryValue(const std::string& typed, float& value) {
  if (typed.size() > kLongestValueText) return false;
  const auto text = withDecimalPoint(typed);
  return text && readStoredValue(*text, value);
}

bool readStoredValue(const std::string& text, float& value) {
  if (text.size() > kLongestValueText) return false;
  if (!text.empty() && (text.back() == ' ' || text.back() == '\t')) return false;
  const auto number = tryValue(text);
  if (!number) return false;
  const auto single = static_cast<float>(*number);
  if (!std::isfinite(single)) return false;
  value = single;
  return true;
}

}  // namespace chromaflow
