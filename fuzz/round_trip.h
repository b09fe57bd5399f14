#pragma once
// What every reader's fuzz target checks besides "no crash": the document read from any bytes,
// saved, read again and saved again gives the same file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/text_file.h"

namespace chromaflow::fuzz {

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Reads `lines` into a fresh document and returns the bytes it saves.
template <typename ReadAndSave>
void requireStableRoundTrip(std::string_view input, ReadAndSave readAndSave) {
  const std::string once = readAndSave(linesOfBytes(input));
  const std::string twice = readAndSave(linesOfBytes(once));
  if (once != twice) {
    std::fprintf(stderr, "saved once:\n%s\nsaved again:\n%s\n", once.c_str(), twice.c_str());
    std::abort();
  }
}

}  // namespace chromaflow::fuzz
