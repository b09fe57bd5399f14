#pragma once
// A point of a line chart's series, as the windows' chart component draws it.

namespace chromaflow {

struct ChartPoint {
  float x;
  float y;
  bool operator==(const ChartPoint&) const = default;
};

}  // namespace chromaflow
