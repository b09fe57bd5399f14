// The plan file reader on any bytes; the path model then answers along the whole path.

#include "core/control/path_model.h"
#include "core/plan/plan.h"
#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chromaflow;
  fuzz::requireStableRoundTrip(fuzz::bytesOf(data, size), [](const std::vector<std::string>& lines) {
    ColourTable colours;
    colours.addRow({0, 255, 255, 255});
    colours.addRow({100, 0, 0, 255});
    Plan plan(colours);
    plan.applyFileLines(lines);
    plan.RecomputeSurfaces();
    plan.RefreshProportions();
    SettingsDocument settings;
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
