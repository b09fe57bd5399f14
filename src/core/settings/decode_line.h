#pragma once
// The line decoder of the program's four text files: a line is cut into at most ten fields,
// at its first "=" while one remains, else at its first ";", and each field is typed "I"
// (integer), "R" (real) or "S" (anything else, the empty field included). The fields are views
// of the line: a file of a million rows is decoded without a copy of any field, and the decoded
// line is used while the line it was cut from is still there.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace chromaflow {

struct DecodedField {
  std::string_view text;  // a piece of the decoded line
  char type = 'S';
};

struct DecodedLine {
  static constexpr int kMaxFields = 10;
  std::array<DecodedField, kMaxFields> fields;
  int count = 0;

  // Field n, counted from 1; an empty "S" field beyond the line's end.
  const DecodedField& field(int n) const;
  bool is(int n, char type) const { return field(n).type == type; }
};

DecodedLine DecodeLine(std::string_view line);

// The field's value when it reads entirely as an integer: leading blanks, an optional sign,
// decimal digits or a hexadecimal number after "$" or "0x"; 32 bits.
std::optional<std::int32_t> integerOfField(std::string_view text);
// The field's value when it reads entirely as a real: leading blanks, an optional sign, digits
// with a point, an optional exponent.
std::optional<double> realOfField(std::string_view text);

}  // namespace chromaflow
