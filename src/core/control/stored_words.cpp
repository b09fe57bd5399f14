#include "core/control/stored_words.h"

namespace chromaflow {

std::pair<std::size_t, std::size_t> StoredWords::wordAt(std::string_view bytes, std::size_t at) {
  while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\n')) ++at;
  std::size_t end = at;
  while (end < bytes.size() && bytes[end] != ' ' && bytes[end] != '\n') ++end;
  return {at, end};
}

}  // namespace chromaflow
