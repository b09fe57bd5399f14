#include "core/session/pointer_editing.h"

#include "core/common/display_forms.h"
#include "core/session/pointer_readouts.h"

namespace chromaflow {
namespace {

// Pixel distances in 64 bits: a pointer far outside the image must not overflow.
long long apart(int a, int b) {
  const long long d = static_cast<long long>(a) - b;
  return d < 0 ? -d : d;
}

}  // namespace

ChartHit chartHitTest(const MainViewSources& sources, int x, int y) {
  const PathModel& path = sources.path;
  const PathTables& tables = path.tables();
  const auto& rows = sources.plan.proportionRows();
  ChartHit hit;
  for (std::size_t j = 0; j < tables.D.size() && j < rows.size(); ++j)
    if (apart(x, path.SurfaceX(tables.D[j], sources.view)) < 10 && apart(y, path.ProportionY(tables.P[j], sources.view)) < 10)
      hit.row = static_cast<int>(j) + 1;
  if (hit.row == 0) return hit;
  const ProportionRow& row = rows[static_cast<std::size_t>(hit.row) - 1];
  hit.cursor = PointerCursor::Move;
  hit.panel1 = "Proportions originales : L= " + row[1] + " m, Proportions= " + row[2] + " %)";
  hit.deleteEnabled = true;
  return hit;
}

bool insertEnabled(const Plan& plan) { return plan.surfaceCount() > 0; }

ChartPointerAnswer chartPointerMoved(ChartEditState& state, const MainViewSources& sources, int x, int y) {
  state.ChartPointer = {x, y};
  ChartPointerAnswer answer;
  answer.insertEnabled = state.InsertEnabled = insertEnabled(sources.plan);
  if (sources.plan.proportionCount() == 0) return answer;
  answer.panel0 = chartReadout(sources, x, y).panel0;
  if (state.PointDragging) return answer;
  answer.hit = chartHitTest(sources, x, y);
  state.PointRow = answer.hit->row;
  state.DeleteEnabled = answer.hit->deleteEnabled;
  return answer;
}

void chartButtonPressed(ChartEditState& state) { state.PointDragging = state.PointRow > 0; }

ProportionPoint pointAtPixel(const MainViewSources& sources, int x, int y) {
  const PathModel& path = sources.path;
  return {formatFixed(path.DistanceAtX(x, sources.view), 2, 6), path.ProportionAtY(y, sources.view)};
}

std::optional<MovedPoint> chartButtonReleased(ChartEditState& state, const MainViewSources& sources, int x, int y) {
  const bool moved = state.PointDragging && state.PointRow > 0 && state.PointRow <= sources.plan.proportionCount();
  state.PointDragging = false;
  if (!moved) return std::nullopt;
  return MovedPoint{state.PointRow, pointAtPixel(sources, x, y)};
}

std::optional<ProportionPoint> insertedPoint(const ChartEditState& state, const MainViewSources& sources) {
  if (!insertEnabled(sources.plan)) return std::nullopt;
  return pointAtPixel(sources, state.ChartPointer.x, state.ChartPointer.y);
}

std::optional<int> rowToRemove(const ChartEditState& state, const Plan& plan) {
  if (state.PointRow < 1 || state.PointRow > plan.proportionCount()) return std::nullopt;
  return state.PointRow;
}

PointerCursor travelBarCursor(const MainViewSources& sources, int x, float distance) {
  return apart(x, sources.path.SurfaceX(distance, sources.view)) <= 9 ? PointerCursor::HorizontalSplit
                                                                       : PointerCursor::Default;
}

bool travelBarGrabbed(const MainViewSources& sources, int x, float distance) {
  return apart(x, sources.path.SurfaceX(distance, sources.view)) < 10;
}

PointerCursor hoseBarCursor(const MainViewSources& sources, int x, float hoseFill, float distance) {
  return distance == 0 && apart(x, sources.path.HoseX(hoseFill, sources.view)) <= 4 ? PointerCursor::HorizontalSplit
                                                                                     : PointerCursor::Default;
}

bool hoseBarGrabbed(const MainViewSources& sources, int x, float hoseFill, float distance) {
  return distance == 0 && apart(x, sources.path.HoseX(hoseFill, sources.view)) < 5;
}

}  // namespace chromaflow
