// DecodeLine on any line: at most ten fields, each typed as its text reads.

#include <cstdlib>

#include "core/settings/decode_line.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  const std::string_view text = fuzz::bytesOf(data, size);
  const DecodedLine line = DecodeLine(text);
  if (line.count > DecodedLine::kMaxFields) std::abort();
  std::size_t end = 0;  // where the last field ended in the line
  for (int n = 1; n <= line.count; ++n) {
    const DecodedField& field = line.field(n);
    const bool integer = integerOfField(field.text).has_value();
    const bool real = realOfField(field.text).has_value();
    const char expected = integer ? 'I' : real ? 'R' : 'S';
    if (field.type != expected) std::abort();
    // Each field is a piece of the line, after the one before it.
    if (field.text.empty()) continue;
    if (field.text.data() < text.data() + end || field.text.data() + field.text.size() > text.data() + size)
      std::abort();
    end = static_cast<std::size_t>(field.text.data() - text.data()) + field.text.size();
  }
  return 0;
}
