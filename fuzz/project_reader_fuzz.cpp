// The project file reader on any bytes: the user text comes back line for line. One set of
// documents serves every input; a read only adds to the user text, which is emptied first.

#include "core/session/documents.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  static Documents& documents = *new Documents;
  fuzz::requireStableRoundTrip(fuzz::bytesOf(data, size), [](const std::vector<std::string>& lines) {
    documents.project.setUserText({});
    documents.project.applyFileLines(lines);
    return bytesOfLines(documents.project.fileLines("fuzz.prv"));
  });
  return 0;
}
