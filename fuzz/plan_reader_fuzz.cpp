// The plan file reader on any bytes; the path model then answers along the whole path of the
// plan read (the plan read again from what was saved is the same, which the round trip checks).
// The colour table and the settings, which the reads do not change, and the plan, renewed before
// each read as "&Ouvrir" renews it, serve every input.

#include <utility>

#include "core/control/path_model.h"
#include "core/plan/plan.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  static const ColourTable& colours = *[] {
    auto* table = new ColourTable;
    table->addRow({0, 255, 255, 255});
    table->addRow({100, 0, 0, 255});
    return table;
  }();
  static Plan& plan = *new Plan(colours);
  static const SettingsDocument& settings = *new SettingsDocument;
  bool walked = false;
  fuzz::requireStableRoundTrip(fuzz::bytesOf(data, size), [&walked](const std::vector<std::string>& lines) {
    plan.NewPlan();
    plan.applyFileLines(lines);  // ends with the surfaces recomputed and the rows refreshed
    if (std::exchange(walked, true)) return bytesOfLines(plan.fileLines());
    const PathModel path(plan, settings);
    const float length = path.tables().CL.empty() ? 10 : path.tables().CL.back();
    for (int step = -2; step <= 12; ++step) {
      const float d = length * static_cast<float>(step) / 10;
      path.LitresUpTo(d);
      path.DistanceForArea(path.AreaAtDistance(d));
      path.HeightAtDistance(d);
      path.ProportionAtDistance(d);
    }
    return bytesOfLines(plan.fileLines());
  });
  return 0;
}
