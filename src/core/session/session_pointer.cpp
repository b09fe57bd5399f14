// The session's pointer gestures on the main window's images: the proportion points moved,
// inserted and deleted on the chart, the travelled distance and the hose content dragged.

#include "core/session/session.h"
#include "core/session/session_operation.h"

namespace chromaflow {

MainViewSources Session::viewSources() const {
  return {documents_.plan, documents_.colours, documents_.settings, control_.path(), control_.view()};
}

ChartPointerAnswer Session::chartPointerMoved(int x, int y) { return chromaflow::chartPointerMoved(chart_, viewSources(), x, y); }

void Session::chartButtonPressed() { chromaflow::chartButtonPressed(chart_); }

void Session::chartButtonReleased(int x, int y) {
  const auto moved = chromaflow::chartButtonReleased(chart_, viewSources(), x, y);
  if (moved) setProportion(moved->row, moved->values.distance, moved->values.proportion);
}

void Session::pickSurfaceColour(Rgb colour) {
  operation([&] {
    surfacePick_ = colour;
    note(Changed::Figures);
  });
}

void Session::chartInsert() {
  if (const auto point = insertedPoint(chart_, viewSources())) appendProportion(point->distance, point->proportion);
}

void Session::chartDelete() {
  if (const auto row = rowToRemove(chart_, documents_.plan)) {
    removeProportion(*row);
    return;
  }
  // No point under the pointer: the rows are only refreshed and the views redrawn.
  operation([this] {
    documents_.plan.RefreshProportions();
    note(Changed::ProportionRows);
    redrawProportionViews();
  });
}

PointerCursor Session::travelBarMoved(int x) {
  if (travelDragging_) dragTravelled(x);
  return travelBarCursor(viewSources(), x, control_.state().Distance);
}

void Session::travelBarPressed(int x) {
  if (travelBarGrabbed(viewSources(), x, control_.state().Distance)) travelDragging_ = true;
}

void Session::travelBarReleased() { travelDragging_ = false; }

PointerCursor Session::hoseBarMoved(int x) {
  if (hoseDragging_) dragHose(x);
  return hoseBarCursor(viewSources(), x, control_.state().HoseFill, control_.state().Distance);
}

void Session::hoseBarPressed(int x) {
  const PaintingState& state = control_.state();
  if (hoseBarGrabbed(viewSources(), x, state.HoseFill, state.Distance)) hoseDragging_ = true;
}

void Session::hoseBarReleased() { hoseDragging_ = false; }

}  // namespace chromaflow
