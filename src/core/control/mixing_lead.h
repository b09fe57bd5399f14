#pragma once
// The mixing lead: what to ask of the pumps so that the paint the roller lays follows the plan.
//
// Paint reaches the wall through the roller's mixing volume s (the setting Filtre as painted
// area, m²): a step of q m² of paint pushed at proportion u meets the mix r already there and
// leaves r' = (q·u + s·r) / (q + s), the walk the main window's red curve draws. Asking the plan's
// proportion P lags behind every change of the plan. Inverting the walk, the lead asks
//     u = r' + (s / q)·(r' − r),
// which lays r' = P exactly: on a straight stretch of the plan u = P + s·dP/dA, the plan plus its
// slope per m² times the mixing volume. The pumps cannot be asked less than 0 % or more than
// 100 %, so a plan that rises or falls faster than the mixing allows cannot be followed; there
// the lead lays the mix nearest the plan over the whole wall, starting early where the plan ahead
// asks it. That mix is found once per change of the plan or the settings by dynamic programming on
// the mix in the roller (0.1 point levels) over the painted area (steps of 0.02 m², at most kMostSteps): the
// least sum of |mix laid − plan| over the area, with each step's mix reachable from the last by
// an asked proportion within 0..100. The cost to reach a mix is convex in the mix, so the best
// mix before a step is the unconstrained best clamped to what reaches the mix after it.

#include <cmath>
#include <vector>

namespace chromaflow {

struct MixingLeadTable {
  static constexpr int kMostSteps = 2048;

  float fromArea = 0;  // where the lead starts: 0, or beyond the paint already in a full hose
  float toArea = 0;    // the end of the wall: past it the paint stays in the hose
  float step = 0;      // step k lays the area (fromArea + k·step, fromArea + (k + 1)·step]
  std::vector<float> asked;      // per step, 0..100
  std::vector<double> extraP2;   // per step end: m² of P2's share asked beyond the plan's, from fromArea

  bool covers(float area) const { return !asked.empty() && area > fromArea && area <= toArea; }
  // The step that lays `area`; covers(area) must hold.
  std::size_t stepOf(float area) const;
  // m² of P2's share asked beyond the plan's from fromArea up to `area` (negative: less).
  double extraP2UpTo(float area, float planProportion) const;
};

// The lead from the plan's proportion at the end of each step of `step` m² from `fromArea`, the
// mix in the roller being `startMix` at `fromArea`.
MixingLeadTable leadTheMixSampled(const std::vector<float>& plan, float fromArea, float step, float mixingArea,
                                  float startMix);

// The lead over the wall's area from `fromArea` to `toArea`; `planAt(area)` gives the plan's
// proportion for the paint laid there.
template <typename PlanAt>
MixingLeadTable leadTheMix(PlanAt&& planAt, float fromArea, float toArea, float mixingArea, float startMix) {
  const double length = static_cast<double>(toArea) - fromArea;
  // A wall without an end, or a mixing volume beyond what 32 bits hold (a filter of 1e38 litres),
  // has no lead: the plan is asked rather than figures of no meaning.
  if (!(length > 0) || !std::isfinite(length) || !std::isfinite(mixingArea))
    return MixingLeadTable{fromArea, toArea, 0, {}, {}};
  // Steps of 0.02 m², coarser on a wall too large for kMostSteps of them: the table's size never
  // follows the wall's.
  const double fineSteps = length / 0.02;
  const int steps = fineSteps >= MixingLeadTable::kMostSteps ? MixingLeadTable::kMostSteps : static_cast<int>(fineSteps) + 1;
  const float step = static_cast<float>(length / steps);
  std::vector<float> plan(static_cast<std::size_t>(steps));
  for (int k = 0; k < steps; ++k) plan[static_cast<std::size_t>(k)] = planAt(fromArea + (k + 1) * step);
  MixingLeadTable table = leadTheMixSampled(plan, fromArea, step, mixingArea, startMix);
  table.toArea = toArea;
  return table;
}

}  // namespace chromaflow
