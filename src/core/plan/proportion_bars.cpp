#include "core/plan/proportion_bars.h"

#include <algorithm>
#include <cstdlib>

#include "core/common/display_forms.h"

namespace chromaflow {
namespace {

// Round(x x full / width) for a pointer at x; nothing over a bar of no width.
std::optional<std::int64_t> valueUnder(int x, int width, int full) {
  if (width <= 0) return std::nullopt;
  return Round(static_cast<double>(x) * full / width);
}

BarPointer pointer(int x, int width, int current, int full, int splitBelow, bool leftButtonDown) {
  BarPointer result;
  const auto q = valueUnder(x, width, full);
  if (!q) return result;
  result.splitCursor = std::llabs(*q - current) < splitBelow;
  if (leftButtonDown) result.value = static_cast<int>(std::clamp<std::int64_t>(*q, 0, full));
  return result;
}

}  // namespace

int proportionBarBlueColumns(int proportion, int width) {
  if (width <= 0) return 0;
  return static_cast<int>(std::clamp<std::int64_t>(Round(proportion / 100.0 * width), 0, width));
}

BarPointer proportionBarPointer(int x, int width, int proportion, bool leftButtonDown) {
  return pointer(x, width, proportion, 100, 5, leftButtonDown);
}

int pickerBarLastBlueColumn(int value, int full, int width) {
  if (width <= 0 || full <= 0) return 0;
  return static_cast<int>(std::clamp<std::int64_t>(Round(static_cast<double>(value) / full * width), 0, width));
}

BarPointer pickerBarPointer(int x, int width, int value, int full, bool leftButtonDown) {
  return pointer(x, width, value, full, 10, leftButtonDown);
}

std::vector<Rgb> colourBarColumns(const ColourTable& colours, int width) {
  std::vector<Rgb> columns;
  if (width <= 0) return columns;
  columns.reserve(static_cast<std::size_t>(width) + 1);
  for (int x = 0; x <= width; ++x) {
    const auto proportion = Round(static_cast<double>(x) * 100 / width);
    columns.push_back(colours.ColourOfProportion(static_cast<float>(proportion)).colour);
  }
  return columns;
}

CouleurPanel couleurPanel(const ColourTable& colours, int proportion) {
  const ColourLookup lookup = colours.ColourOfProportion(static_cast<float>(proportion));
  return {lookup.colour, lookup.found ? "" : "Indisponible"};
}

}  // namespace chromaflow
