#include "core/common/display_forms.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace chromaflow {
namespace {

// 10^n; up to 10^22 from a table of the exact values, as std::pow gives them, without its cost
// at every figure shown.
double powerOfTen(int n) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  return n >= 0 && n < static_cast<int>(std::size(kExact)) ? kExact[n] : std::pow(10.0, n);
}

// True when x lies exactly halfway between two multiples of 10^q, i.e. when 2x / 10^q is an
// odd integer. x = m * 2^k with m an odd integer; 10^q = 2^q * 5^q.
bool isExactTie(double x, int q) {
  if (x == 0.0 || !std::isfinite(x)) return false;
  int exponent = 0;
  double fraction = std::frexp(std::fabs(x), &exponent);          // x = fraction * 2^exponent
  auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));  // exact: 53-bit mantissa
  const int zeros = std::countr_zero(m);  // m is not 0: x is not
  m >>= zeros;
  const int k = exponent - 53 + zeros;
  // 2x / 10^q = m * 5^(-q) * 2^(k + 1 - q): an odd integer when the power of two vanishes and
  // 5^q divides m (for q > 0); for q <= 0, 5^(-q) is an odd integer already.
  if (k + 1 - q != 0) return false;
  if (q <= 0) return true;
  std::uint64_t five = 1;
  for (int i = 0; i < q; ++i) {
    if (five > m / 5) return false;
    five *= 5;
  }
  return m % five == 0;
}

// to_chars rounds the exact binary value to nearest with ties to even; on an exact tie we step
// one unit outward first so that the halfway case goes away from zero.
double awayOnTie(double x, int q) {
  if (!isExactTie(x, q)) return x;
  return std::nextafter(x, x < 0 ? -std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::infinity());
}

// Locale-free: always a point, whatever the process's regional settings.
std::string printed(std::chars_format format, int precision, double x) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, x, format, precision);
  return std::string(buffer, result.ptr);
}

// The characters a number may be written with: digits, signs, a point and an exponent.
constexpr std::array<bool, 256> kNumberCharacters = [] {
  std::array<bool, 256> allowed{};
  for (const char c : std::string_view("0123456789.-+eE")) allowed[static_cast<unsigned char>(c)] = true;
  return allowed;
}();

bool isAllZeroDigits(const std::string& text) {
  for (char c : text)
    if (c >= '1' && c <= '9') return false;
  return true;
}

std::string exponentForm(double x, int significant) {
  // `significant` digits: d.dddd E sign two or more exponent digits.
  int exponent = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  if (std::fabs(x) < std::pow(10.0, exponent)) --exponent;  // log10 just above a power of ten
  std::string text = printed(std::chars_format::scientific, significant - 1,
                             awayOnTie(x, exponent - (significant - 1)));
  for (char& c : text)
    if (c == 'e') c = 'E';
  return text;
}

}  // namespace

std::string formatFixed(double x, int decimals, int significant) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  // An integer part longer than the significant digits goes to exponent notation.
  const double limit = powerOfTen(significant);
  const double magnitude = std::fabs(x);
  if (magnitude >= limit) return exponentForm(x, significant);

  // Rounding position 10^q: the coarser of `significant` digits and `decimals` decimals.
  // Powers of ten are exact in binary, so the comparisons find the integer digits exactly.
  int integerDigits = 1;
  while (integerDigits < significant && magnitude >= powerOfTen(integerDigits)) ++integerDigits;
  const int q = std::max(-decimals, integerDigits - significant);

  std::string text = printed(std::chars_format::fixed, -q, awayOnTie(x, q));
  // Rounding moves the figure by half a unit of 10^q at most: only a figure within one unit of
  // the limit can reach it.
  const double unit = q >= 0 ? powerOfTen(q) : 1 / powerOfTen(-q);
  if (magnitude + unit >= limit && std::fabs(value(text)) >= limit) return exponentForm(x, significant);
  if (-q < decimals) {
    if (-q == 0) text += '.';
    text.append(static_cast<std::size_t>(decimals + q), '0');
  }
  if (text[0] == '-' && isAllZeroDigits(text)) text.erase(0, 1);
  return text;
}

std::string F1(double x) { return formatFixed(x, 1); }
std::string F2(double x) { return formatFixed(x, 2); }

std::optional<double> tryValue(std::string_view text) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  // Only digits, one sign, a point and an exponent: no "inf", "nan" or hexadecimal spellings.
  for (char c : text)
    if (!kNumberCharacters[static_cast<unsigned char>(c)]) return std::nullopt;
  double result = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result,
                                      std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(result))
    return std::nullopt;
  return result;
}

double value(std::string_view text) { return tryValue(text).value_or(0.0); }

float value32(std::string_view text) { return static_cast<float>(value(text)); }

std::int64_t Round(double v) {
  double r = std::nearbyint(v);  // the default rounding mode: to nearest, ties to even
  if (std::isnan(r)) return 0;
  constexpr double bound = 9.2e18;
  if (r >= bound) return std::numeric_limits<std::int64_t>::max();
  if (r <= -bound) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(r);
}

float Interpolate(float x, float x0, float x1, float y0, float y1) {
  const float slope_part = (x - x0) * (y1 - y0);
  if (std::isfinite(slope_part) || !std::isfinite(x - x0) || !std::isfinite(y1 - y0))
    return y0 + slope_part / (x1 - x0);
  // Only the product went beyond 32 bits (a wall of 1e20 m or more): the same line in double,
  // rather than an infinite area in the middle of a finite wall.
  return static_cast<float>(y0 + static_cast<double>(x - x0) * (y1 - y0) / (x1 - x0));
}

}  // namespace chromaflow
