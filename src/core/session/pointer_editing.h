#pragma once
// The operator's pointer gestures on the main window, as decisions: which proportion point lies
// under the pointer on the proportion chart, what a moved or inserted point's row becomes, which
// row "Supprimer" removes, and when the travelled-distance and hose bars can be grabbed. The
// window turns the answers into cursors, menu states and status texts; the session applies the
// new rows to the plan (then re-sorts it and redraws).

#include <optional>
#include <string>

#include "core/session/main_view_sources.h"

namespace chromaflow {

enum class PointerCursor {
  Default,
  Move,             // the four-way arrows: a proportion point can be picked up
  HorizontalSplit,  // a bar's marker can be dragged sideways
};

// The editing state of the proportion chart.
struct ChartEditState {
  int PointRow = 0;            // proportion row whose point lies under the pointer, 0 = none
  bool PointDragging = false;  // a proportion point is being moved
  PixelPoint ChartPointer;     // the last pointer position over the chart
  // The pop-up menu's items as the pointer's moves left them: "Insérer" while the plan has a
  // surface, "Supprimer" while the last hit test found a point (kept while a point is moved).
  bool InsertEnabled = false;
  bool DeleteEnabled = false;
};

// The point under the pointer and what the window shows for it.
struct ChartHit {
  int row = 0;  // 0 = none
  PointerCursor cursor = PointerCursor::Default;
  std::string panel1;          // the point's row as the table shows it, or empty
  bool deleteEnabled = false;  // "Supprimer"
  bool operator==(const ChartHit&) const = default;
};

// A point lies under (x, y) when it is less than 10 pixels away both ways; of several, the last
// row in table order is taken.
ChartHit chartHitTest(const MainViewSources& sources, int x, int y);

// "Insérer" can place a point only on a path: the plan needs a surface.
bool insertEnabled(const Plan& plan);

struct ChartPointerAnswer {
  bool insertEnabled = false;
  std::optional<std::string> panel0;  // the read-out; nothing without proportion rows
  std::optional<ChartHit> hit;        // nothing without proportion rows or while a point is moved
};

// The pointer moved over the chart: remembers where, and finds the point under it unless one is
// being moved (the point jumps to where it is released; it does not follow the pointer).
ChartPointerAnswer chartPointerMoved(ChartEditState& state, const MainViewSources& sources, int x, int y);

// Any button pressed on the chart picks up the point under the pointer, if there is one.
void chartButtonPressed(ChartEditState& state);

// A proportion row's two cells: the distance with two decimals and the proportion, an integer.
struct ProportionPoint {
  std::string distance;
  int proportion = 0;
  std::string proportionText() const { return std::to_string(proportion); }
  bool operator==(const ProportionPoint&) const = default;
};

// The row a point at pixel (x, y) of the chart stands for.
ProportionPoint pointAtPixel(const MainViewSources& sources, int x, int y);

struct MovedPoint {
  int row = 0;  // 1..m
  ProportionPoint values;
  bool operator==(const MovedPoint&) const = default;
};

// The button released at (x, y): the point picked up gets the values of that pixel. Nothing
// when no point was picked up, or when its row is no longer in the table.
std::optional<MovedPoint> chartButtonReleased(ChartEditState& state, const MainViewSources& sources, int x, int y);

// "Insérer": a new row at the place where the pop-up menu was opened (the last pointer position
// over the chart); nothing without a surface.
std::optional<ProportionPoint> insertedPoint(const ChartEditState& state, const MainViewSources& sources);

// "Supprimer": the row of the point under the pointer, when it is one of the table's rows.
std::optional<int> rowToRemove(const ChartEditState& state, const Plan& plan);

// The travelled-distance bar: its marker stands at the distance travelled.
PointerCursor travelBarCursor(const MainViewSources& sources, int x, float distance);
bool travelBarGrabbed(const MainViewSources& sources, int x, float distance);  // a press starts a drag

// The hose bar: its marker stands at the hose's content, and moves only before the roller has
// travelled.
PointerCursor hoseBarCursor(const MainViewSources& sources, int x, float hoseFill, float distance);
bool hoseBarGrabbed(const MainViewSources& sources, int x, float hoseFill, float distance);

}  // namespace chromaflow
