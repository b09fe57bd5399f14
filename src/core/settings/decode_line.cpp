#include "core/settings/decode_line.h"

#include <charconv>
#include <cmath>

namespace chromaflow {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view withoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// A field can read as a number only when, after its blanks and one sign, it starts with a digit,
// a point, the "$" of a hexadecimal number or a second minus ("--0" reads as the integer 0): the
// rest of a file's text is typed at once.
bool mayBeNumber(std::string_view text) {
  text = withoutLeadingBlanks(text);
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  const char first = text.front();
  return isDigit(first) || first == '.' || first == '$' || first == '-';
}

}  // namespace

const DecodedField& DecodedLine::field(int n) const {
  static const DecodedField empty;
  return n >= 1 && n <= count ? fields[n - 1] : empty;
}

std::optional<std::int32_t> integerOfField(std::string_view text) {
  text = withoutLeadingBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size() || magnitude < 0) return std::nullopt;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<double> realOfField(std::string_view text) {
  text = withoutLeadingBlanks(text);
  std::string_view body = text;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
  // Digits with an optional point (a digit on at least one side), then an optional exponent.
  std::size_t i = 0, digits = 0;
  while (i < body.size() && isDigit(body[i])) ++i, ++digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && isDigit(body[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    const std::size_t exponentStart = i;
    while (i < body.size() && isDigit(body[i])) ++i;
    if (i == exponentStart) return std::nullopt;
  }
  if (i != body.size()) return std::nullopt;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

DecodedLine DecodeLine(std::string_view line) {
  DecodedLine decoded;
  std::string_view rest = line;
  // Where the next "=" is in the rest, looked for again only once the rest is cut at it: a row
  // of ";" fields without any "=" is searched for one once, not once per field.
  std::size_t equals = rest.find('=');
  while (!rest.empty() && decoded.count < DecodedLine::kMaxFields) {
    std::size_t cut = equals;
    if (cut == std::string_view::npos) cut = rest.find(';');
    DecodedField& field = decoded.fields[decoded.count++];
    if (cut == std::string_view::npos) {
      field.text = rest;
      rest = {};
    } else {
      field.text = rest.substr(0, cut);
      rest = rest.substr(cut + 1);
      if (equals != std::string_view::npos) equals = rest.find('=');  // it was cut at that "="
    }
    if (!mayBeNumber(field.text)) field.type = 'S';
    else if (integerOfField(field.text)) field.type = 'I';
    else if (realOfField(field.text)) field.type = 'R';
    else field.type = 'S';
  }
  return decoded;
}

}  // namespace chromaflow
