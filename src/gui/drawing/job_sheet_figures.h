#pragma once
// The job sheet's two figures, laid out on its pages: the wall in the colours the mix gives, as
// the main window's surface view shows it, with its lengths and heights in metres; and the
// proportion asked and laid along the path, with the stretches out of tolerance shaded and where
// the correction's indicators were raised. Both share one
// horizontal scale across the page, so that a point of the chart stands under its place on the
// wall.

#include <QPolygonF>
#include <vector>

#include "gui/drawing/sheet_layout.h"

namespace chromaflow {

class JobRecord;
class Session;
struct JobVerdict;

// The wall, or a line saying the plan has no surface.
void placeWall(SheetLayout& layout, const Session& session, const SheetFonts& fonts);

// The chart along the path the record was cut for, from its profile, surface ends and alarms,
// with the verdict's stretches out of tolerance.
void placeProportionChart(SheetLayout& layout, const JobRecord& record, const JobVerdict& verdict,
                          const SheetFonts& fonts);

// The chart's line of the proportion laid: one run of points (m along the path, % of P2) per
// stretch where paint was pumped, each point standing for enough of the pumps' pulses.
std::vector<QPolygonF> laidProportionSeries(const JobRecord& record);

// Round steps for an axis from 0 to `range`: 1, 2 or 5 times a power of ten, giving at most
// `maxSteps` steps.
double axisStep(double range, int maxSteps);

}  // namespace chromaflow
