#include "core/session/proportion_views.h"

#include "core/common/display_forms.h"
#include "core/settings/machine_settings.h"

namespace chromaflow {
namespace {

// The tallest surface as the HMax label shows it: the surface view's vertical scale.
float tallest(const Plan& plan) { return value32(plan.totals().HMax); }

bool hasCurve(const MainViewSources& sources) {
  return sources.plan.proportionCount() > 0 && sources.plan.surfaceCount() > 0;
}

}  // namespace

std::vector<PixelRect> surfaceRectangles(const MainViewSources& sources) {
  const PathModel& path = sources.path;
  const ViewMetrics& view = sources.view;
  const PathTables& tables = path.tables();
  const float hMax = tallest(sources.plan);
  const int bottom = path.SurfaceY(0, hMax, view);

  std::vector<PixelRect> rectangles;
  rectangles.reserve(tables.H.size());
  int left = 0;
  for (std::size_t i = 0; i < tables.H.size(); ++i) {
    const int right = path.SurfaceX(tables.CL[i], view);
    rectangles.push_back({left, path.SurfaceY(tables.H[i], hMax, view), right, bottom});
    left = right;
  }
  return rectangles;
}

PlanCurve planCurve(const MainViewSources& sources) {
  PlanCurve curve;
  if (!hasCurve(sources)) return curve;
  const PathModel& path = sources.path;
  const ViewMetrics& view = sources.view;
  auto at = [&](float d) { return PixelPoint{path.SurfaceX(d, view), path.ProportionY(path.ProportionAtDistance(d), view)}; };

  const PathTables& tables = path.tables();
  curve.line.reserve(tables.D.size() + 2);
  curve.diamonds.reserve(tables.D.size());
  curve.line.push_back({0, at(0).y});
  for (float d : tables.D) {
    curve.line.push_back(at(d));
    curve.diamonds.push_back(curve.line.back());
  }
  // The path's length as the LongTot label shows it.
  curve.line.push_back(at(value32(sources.plan.totals().LongTot)));
  return curve;
}

std::array<PixelPoint, 5> diamondOutline(PixelPoint c) {
  return {{{c.x - 4, c.y}, {c.x, c.y + 4}, {c.x + 4, c.y}, {c.x, c.y - 4}, {c.x - 4, c.y}}};
}

PredictedMix predictedMix(const MainViewSources& sources, std::size_t mostSteps) {
  const Plan& plan = sources.plan;
  const PathModel& path = sources.path;
  const ViewMetrics& view = sources.view;
  const float hMax = tallest(plan);

  PredictedMix mix;
  mix.bottom = path.SurfaceY(0, hMax, view);
  // A pixel column's length along the path; q is the paint of one column of the first surface.
  const float columnLength = path.DistanceAtX(1, view);
  float q = path.HeightAtDistance(path.DistanceForArea(0)) * columnLength;
  if (!hasCurve(sources)) return mix;

  const MachineSettings& settings = sources.settings.settings();
  const float m2PerLitre = value32(sources.settings.M2Litre());
  const float s = m2PerLitre * settingValue(settings.Filtre);  // mixing volume as area, m²
  const float V = m2PerLitre * settingValue(settings.Retard);  // hose and roller as area, m²
  const bool fullHose = plan.hoseState() == HoseState::Full;
  const auto hoseProportion = static_cast<float>(plan.startProportion());

  // A full hose holds a uniform mix and its paint is laid first; an empty one is filled from
  // the plan's start, and that paint is counted from -V so that it reaches the roller at 0.
  float a = fullHose ? 0 : -V;
  float prev = fullHose ? hoseProportion : path.ProportionAtDistance(0);
  mix.start = {path.SurfaceX(path.DistanceForArea(a - q), view), path.ProportionY(prev, view)};

  const float wholeArea = path.tables().CS.back();
  while (wholeArea > a) {
    if (mix.steps >= mostSteps) {
      mix.complete = false;
      break;
    }
    ++mix.steps;
    const float d = path.DistanceForArea(a);
    // What the dosing asks for the paint laid here: the plan, or the lead that lays it.
    const float planned = plan.leadsTheMix() ? path.LedProportionAtDistance(d) : path.ProportionAtDistance(d);
    float asked = 0;
    if (!fullHose)
      asked = planned;
    else if (a >= V)
      asked = plan.anticipation() ? planned : path.ProportionAtDistance(path.DistanceForArea(a - V));
    else
      asked = hoseProportion;

    // The step's paint mixes with what is already in the roller over the mixing volume.
    const float r = asked * q / (q + s) + prev * s / (q + s);
    const float h = path.HeightAtDistance(d);
    if (a > 0) {
      mix.columns.push_back({a, r, path.SurfaceX(d, view), path.ProportionY(r, view),
                             sources.colours.ColourOfProportion(r).colour, path.SurfaceY(h, hMax, view)});
    }
    prev = r;

    // The next column is as high as the surface here, or as the next surface when that is lower.
    q = columnLength * h;
    const float lower = path.HeightAtDistance(path.DistanceForArea(a + q));
    if (lower < h) q = columnLength * lower;
    const float next = a + q;
    if (!(next > a)) {
      // No column width, or one lost in the rounding of a large area: the walk cannot go on.
      mix.complete = false;
      break;
    }
    a = next;
  }
  return mix;
}

std::vector<Rgb> colourScale(const MainViewSources& sources, int scaleHeight) {
  std::vector<Rgb> rows;
  if (scaleHeight < 0) return rows;
  rows.reserve(static_cast<std::size_t>(scaleHeight) + 1);
  for (long long y = 0; y <= scaleHeight; ++y) {
    const int p = sources.path.ProportionAtY(static_cast<int>(y), sources.view);
    rows.push_back(sources.colours.ColourOfProportion(static_cast<float>(p)).colour);
  }
  return rows;
}

}  // namespace chromaflow
