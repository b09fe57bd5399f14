// The settings file reader on any bytes. One document serves every input, renewed before each
// read as "&Ouvrir" renews it.

#include "core/settings/settings_document.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  static SettingsDocument& document = *new SettingsDocument;
  fuzz::requireStableRoundTrip(fuzz::bytesOf(data, size), [](const std::vector<std::string>& lines) {
    document.NewSettings();
    document.applyFileLines(lines);
    document.RefreshSettingsViews();
    return bytesOfLines(document.fileLines("fuzz.sev"));
  });
  return 0;
}
