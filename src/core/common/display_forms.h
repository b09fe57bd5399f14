#pragma once
// The display forms of the figures the operator reads: F1 and F2 (one or two decimals,
// at most five significant digits), their reading back, and the two numeric helpers
// shared by the colour table and the path model.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace chromaflow {

// A real in fixed notation with one decimal, rounded once to five significant digits or to
// one decimal, whichever keeps fewer digits (halves away from zero on the exact binary value).
// Always a point as separator; an integer part of more than five digits gives "1.2346E+05".
std::string F1(double x);
// The same with two decimals: F2(1234.567) is "1234.60".
std::string F2(double x);
// Fixed notation with `decimals` decimals, rounded to `significant` significant digits or to the
// decimals, whichever keeps fewer (F1 and F2 are 1 and 2 decimals with five digits).
std::string formatFixed(double x, int decimals, int significant = 5);

// The real written in `text` (as F1/F2 write it, or as an operator types it: blanks around it
// and a leading sign are allowed), or nothing when the text does not read entirely as a finite
// number with a point as separator.
std::optional<double> tryValue(std::string_view text);
// The real read back from a figure's text; a text that is not a number reads as 0.
double value(std::string_view text);
// The same read as a 32-bit real, as the figures are held between operations.
float value32(std::string_view text);

// Nearest integer, ties to the even integer (Round(2.5) = 2, Round(3.5) = 4).
std::int64_t Round(double v);

// y0 + (x - x0)(y1 - y0)/(x1 - x0), computed and returned in 32 bits. Callers pass x0 != x1.
float Interpolate(float x, float x0, float x1, float y0, float y1);

}  // namespace chromaflow
