#pragma once
// The main window's pictures as data: the surfaces of the surface view, the proportion chart's
// plan curve, the walk that predicts the mix the roller lays (the red curve and the colour of
// every pixel column of the surfaces) and the colour scale. The window only draws them.

#include <array>
#include <cstddef>
#include <vector>

#include "core/plan/colour_table.h"
#include "core/session/main_view_sources.h"

namespace chromaflow {

// A filled rectangle; the right and bottom edges are not part of it.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// The white rectangle of each surface in the surface view, in painting order (none without a
// surface). Each stands on the bottom of the view, as high as the surface against the tallest.
std::vector<PixelRect> surfaceRectangles(const MainViewSources& sources);

// The proportions the plan asks, on the proportion chart: a black polyline from the start of
// the path through every proportion row, in table order, to the end of the path, and a diamond
// on each row. Empty when the plan has no proportion row or no surface.
struct PlanCurve {
  std::vector<PixelPoint> line;      // the first point is a move-to, the others line-tos
  std::vector<PixelPoint> diamonds;  // centres, one per proportion row
};
PlanCurve planCurve(const MainViewSources& sources);

// The closed outline of the diamond around a row's point: left, bottom, right, top, left.
std::array<PixelPoint, 5> diamondOutline(PixelPoint centre);

// One step of the walk that follows the paint through hose and roller, one pixel column of the
// surface view at a time, drawn where it lies on the surfaces.
struct MixColumn {
  float area = 0;        // m² painted when the step is laid
  float proportion = 0;  // the mix at the roller, %
  int x = 0;             // pixel column of the surface view and of the proportion chart
  int curveY = 0;        // the red curve's point on the proportion chart
  Rgb colour = kWhite;   // the colour the column of the surface is painted in
  int top = 0;           // the column runs from `top` down to PredictedMix::bottom
  bool operator==(const MixColumn&) const = default;
};

struct PredictedMix {
  PixelPoint start;                // the red pen's move-to on the proportion chart
  std::vector<MixColumn> columns;  // the line-tos, and the columns painted on the surfaces
  int bottom = 0;                  // the surfaces' bottom row in the surface view
  std::size_t steps = 0;           // steps walked, those before the start of the path included
  // False when the walk had to end before the plan's whole area: a step too small to move the
  // painted area in 32 bits (a view of no width, or a very low surface after a very large area)
  // or the step limit reached. The columns walked until then are kept.
  bool complete = true;
};

// Far beyond the steps of any plan the window can show (the view's width times the ratio of the
// tallest to the lowest surface), so that a degenerate plan cannot hold the window for long.
constexpr std::size_t kMostMixSteps = std::size_t{1} << 22;

// The mix at the roller along the path. The paint pushed at each step is the proportion asked
// (at the step, or a hose's volume behind it when a full hose is not anticipated, or the full
// hose's own proportion while it is pushed out) diluted into the paint before it over the
// mixing volume. No columns when the plan has no proportion row or no surface.
PredictedMix predictedMix(const MainViewSources& sources, std::size_t mostSteps = kMostMixSteps);

// The colour scale beside the proportion chart: the colour of every pixel row 0..scaleHeight
// inclusive, on the chart's proportion axis (100 % at the top).
std::vector<Rgb> colourScale(const MainViewSources& sources, int scaleHeight);

}  // namespace chromaflow
