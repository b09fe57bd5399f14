// DecodeLine on any line: at most ten fields, each typed as its text reads.

#include <cstdlib>

#include "core/settings/decode_line.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  const DecodedLine line = DecodeLine(fuzz::bytesOf(data, size));
  if (line.count > DecodedLine::kMaxFields) std::abort();
  std::size_t total = 0;
  for (int n = 1; n <= line.count; ++n) {
    const DecodedField& field = line.field(n);
    const bool integer = integerOfField(field.text).has_value();
    const bool real = realOfField(field.text).has_value();
    const char expected = integer ? 'I' : real ? 'R' : 'S';
    if (field.type != expected) std::abort();
    total += field.text.size();
  }
  if (total > size) std::abort();  // fields are pieces of the line
  return 0;
}
