#include "core/session/pointer_readouts.h"

#include <charconv>
#include <cmath>

#include "core/common/display_forms.h"
#include "core/settings/machine_settings.h"

namespace chromaflow {
namespace {

// The distance under the pointer at column x, written for "Curseur: L= ...".
std::string cursorDistance(const MainViewSources& sources, int x) {
  return "Curseur: L= " + printedFixed(sources.path.DistanceAtX(x, sources.view), 5, 2) + " m";
}

}  // namespace

std::string printedFixed(double v, int width, int decimals) {
  // Wide enough for the largest double in fixed notation.
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  std::string text = error == std::errc() ? std::string(buffer, end) : std::string("?");
  if (width > 0 && text.size() < static_cast<std::size_t>(width))
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  return text;
}

StatusPanels surfaceReadout(const MainViewSources& sources, int x) {
  const PathModel& path = sources.path;
  const float d = path.DistanceAtX(x, sources.view);
  return {"Curseur: L= " + printedFixed(d, 5, 2) + " m, H= " + printedFixed(path.HeightAtDistance(d), 5, 2) +
              " m, Proportions= " + printedFixed(path.ProportionAtDistance(d), 4, 1) + " %",
          ""};
}

StatusPanels chartReadout(const MainViewSources& sources, int x, int y) {
  if (sources.plan.proportionCount() == 0) return {};
  const PathModel& path = sources.path;
  const float d = path.DistanceAtX(x, sources.view);
  return {"Curseur: L= " + printedFixed(d, 5, 2) + " m, H= " + printedFixed(path.HeightAtDistance(d), 5, 2) +
              " m, Proportions= " + std::to_string(path.ProportionAtY(y, sources.view)) + " %)",
          std::nullopt};
}

StatusPanels travelledReadout(const MainViewSources& sources, int x, float distance) {
  return {cursorDistance(sources, x), "Distance effectivement parcourue: L= " + printedFixed(distance, 5, 2) + " m"};
}

StatusPanels proportionBarReadout(const MainViewSources& sources, int x, float paintedArea, float hoseFill) {
  const float laidAt = sources.path.DistanceForArea(value32(sources.settings.M2Litre()) * hoseFill + paintedArea);
  return {cursorDistance(sources, x),
          "Distance prise en compte pour la consigne de proportions: L= " + printedFixed(laidAt, 5, 2) + " m"};
}

StatusPanels hoseReadout(const MainViewSources& sources, float hoseFill) {
  const float capacity = settingValue(sources.settings.settings().Retard);
  float percent = capacity == 0 ? 100 : hoseFill / capacity * 100;
  if (!std::isfinite(percent)) percent = 100;  // a capacity too small to divide by
  return {"Remplissage tuyau= " + printedFixed(hoseFill, 5, 2) + " litres soit " + printedFixed(percent, 5, 2) + " %",
          ""};
}

StatusPanels backgroundReadout() { return {"", ""}; }

}  // namespace chromaflow
