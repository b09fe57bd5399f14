#include "core/control/path_model.h"

#include <algorithm>
#include <cmath>

#include "core/common/display_forms.h"

namespace chromaflow {
namespace {

// The first index whose bound is at least x: a value on a bound belongs to that row.
std::size_t firstAtLeast(const std::vector<float>& bounds, float x) {
  return static_cast<std::size_t>(std::lower_bound(bounds.begin(), bounds.end(), x) - bounds.begin());
}

// A straight line through two points; an interval of zero width (a surface shown as 0.00)
// gives its lower end instead of dividing by zero.
float between(float x, float x0, float x1, float y0, float y1) {
  return x0 == x1 ? y0 : Interpolate(x, x0, x1, y0, y1);
}

int roundToInt(double v) { return static_cast<int>(Round(v)); }

// a x b / c in 32 bits, as the views scale their figures; where only the product goes beyond
// 32 bits (a wall of 1e36 m), in double, rather than an infinite distance or pixel.
float scaled(float a, float b, float c) {
  const float product = a * b;
  if (std::isfinite(product) || !std::isfinite(a) || !std::isfinite(b)) return product / c;
  return static_cast<float>(static_cast<double>(a) * b / c);
}

}  // namespace

PathTables readPathTables(const Plan& plan) {
  PathTables tables;
  for (int i = 1; i <= plan.surfaceCount(); ++i) {
    const SurfaceRow& row = plan.surfaceRow(i);
    tables.H.push_back(value32(row[1]));
    tables.CL.push_back(value32(row[4]));
    tables.CS.push_back(value32(row[5]));
  }
  for (int j = 1; j <= plan.proportionCount(); ++j) {
    tables.D.push_back(static_cast<float>(plan.distanceOf(j)));
    tables.P.push_back(value32(plan.proportionRows()[j - 1][2]));
  }
  return tables;
}

PathModel::PathModel(const Plan& plan, const SettingsDocument& settings) : plan_(plan), settings_(settings) {}

const PathTables& PathModel::tables() const {
  refresh();
  return tables_;
}

void PathModel::refresh() const {
  if (builtRevision_ == plan_.revision()) return;
  builtRevision_ = plan_.revision();
  // A window shown or left refreshes the plan without changing it: the walk and the mixing lead
  // made for these tables stand.
  PathTables fresh = readPathTables(plan_);
  if (tablesBuilt_ != 0 && fresh == tables_) return;
  ++tablesBuilt_;
  tables_ = std::move(fresh);
  breakpoints_.clear();
  const auto& t = tables_;
  if (t.CL.empty() || t.D.empty()) return;

  // The walk of LitresUpTo over every breakpoint, in the order it meets them: surface ends and
  // proportion rows by distance, a surface end before a proportion row at the same distance.
  std::size_t i = 0, j = 0;
  float previousArea = 0, a1 = 0, a2 = 0;
  float previousProportion = proportionAfter(0);  // just after the previous breakpoint
  breakpoints_.reserve(t.CL.size() + t.D.size());
  while (i < t.CL.size() || j < t.D.size()) {
    float b = 0, area = 0;
    if (j >= t.D.size() || (i < t.CL.size() && !(t.D[j] < t.CL[i]))) {
      b = t.CL[i];
      area = t.CS[i];
      ++i;
    } else {
      b = t.D[j];
      area = AreaAtDistance(b);
      ++j;
    }
    const float dA = area - previousArea;
    const float proportion = ProportionAtDistance(b);
    const float c = (previousProportion + proportion) / 2 / 100;
    a1 = a1 + (1 - c) * dA;
    a2 = a2 + c * dA;
    previousArea = area;
    previousProportion = proportionAfter(b);
    breakpoints_.push_back({b, area, a1, a2});
  }
}

float PathModel::DistanceForArea(float a) const {
  refresh();
  const auto& t = tables_;
  if (a < 0 || t.CS.empty()) return 0;
  const std::size_t n = t.CS.size();
  if (a > t.CS[n - 1]) {
    if (t.H[n - 1] == 0) return t.CL[n - 1];  // a last surface shown 0.00 high does not extend
    return t.CL[n - 1] + (a - t.CS[n - 1]) / t.H[n - 1];
  }
  const std::size_t r = firstAtLeast(t.CS, a);
  if (r == 0) return between(a, 0, t.CS[0], 0, t.CL[0]);
  return between(a, t.CS[r - 1], t.CS[r], t.CL[r - 1], t.CL[r]);
}

float PathModel::AreaAtDistance(float d) const {
  refresh();
  const auto& t = tables_;
  if (d < 0 || t.CL.empty()) return 0;
  const std::size_t n = t.CL.size();
  if (d > t.CL[n - 1]) return t.CS[n - 1] + t.H[n - 1] * (d - t.CL[n - 1]);
  const std::size_t r = firstAtLeast(t.CL, d);
  if (r == 0) return between(d, 0, t.CL[0], 0, t.CS[0]);
  return between(d, t.CL[r - 1], t.CL[r], t.CS[r - 1], t.CS[r]);
}

float PathModel::HeightAtDistance(float d) const {
  refresh();
  const auto& t = tables_;
  if (d < 0 || t.CL.empty()) return 0;
  if (d > t.CL.back()) return t.H.back();
  return t.H[firstAtLeast(t.CL, d)];
}

float PathModel::ProportionAtDistance(float d) const {
  refresh();
  const auto& t = tables_;
  if (t.D.empty()) return 0;
  float p = 0;
  if (d <= t.D.front()) {
    p = t.P.front();
  } else if (d > t.D.back()) {
    p = t.P.back();
  } else {
    const std::size_t r = firstAtLeast(t.D, d);
    p = Interpolate(d, t.D[r - 1], t.D[r], t.P[r - 1], t.P[r]);
  }
  return std::clamp(p, 0.0f, 100.0f);
}

float PathModel::proportionAfter(float d) const {
  const auto& t = tables_;
  if (t.D.empty()) return 0;
  // Past the last of the rows at or before d: the last of two rows at one distance is the one
  // the path goes on from.
  const auto r = static_cast<std::size_t>(std::upper_bound(t.D.begin(), t.D.end(), d) - t.D.begin());
  float p = 0;
  if (r == 0) p = t.P.front();
  else if (r == t.D.size()) p = t.P.back();
  else p = Interpolate(d, t.D[r - 1], t.D[r], t.P[r - 1], t.P[r]);
  return std::clamp(p, 0.0f, 100.0f);
}

std::pair<unsigned long long, float> PathModel::litresKey() const {
  refresh();
  return {tablesBuilt_, settingValue(settings_.settings().LitreM2)};
}

Litres PathModel::LitresUpTo(float d) const {
  refresh();
  if (breakpoints_.empty()) return {};
  // The breakpoints strictly before d are those the walk passes; it then ends at d.
  const auto passed = std::lower_bound(breakpoints_.begin(), breakpoints_.end(), d,
                                       [](const Breakpoint& b, float x) { return b.distance < x; });
  float previousDistance = 0, previousArea = 0, a1 = 0, a2 = 0;
  if (passed != breakpoints_.begin()) {
    const Breakpoint& last = *(passed - 1);
    previousDistance = last.distance;
    previousArea = last.area;
    a1 = last.a1;
    a2 = last.a2;
  }
  const float area = AreaAtDistance(d);
  const float dA = area - previousArea;
  const float c = (proportionAfter(previousDistance) + ProportionAtDistance(d)) / 2 / 100;
  a1 = a1 + (1 - c) * dA;
  a2 = a2 + c * dA;
  const float litresPerSquareMetre = settingValue(settings_.settings().LitreM2);
  return {litresPerSquareMetre * a1, litresPerSquareMetre * a2};
}

const MixingLeadTable& PathModel::mixingLead() const {
  refresh();
  const MachineSettings& s = settings_.settings();
  const float m2PerLitre = value32(settings_.M2Litre());
  // A full hose lays its own paint first; the lead starts with the paint pumped after it.
  const bool fullHose = plan_.hoseState() == HoseState::Full;
  const LeadKey key{tablesBuilt_, m2PerLitre * settingValue(s.Filtre),
                    fullHose ? m2PerLitre * settingValue(s.Retard) : 0.0f,
                    fullHose ? static_cast<float>(plan_.startProportion()) : ProportionAtDistance(0)};
  if (leadKey_ != key) {
    leadKey_ = key;
    const float wall = tables_.CS.empty() || tables_.D.empty() ? 0 : tables_.CS.back();
    lead_ = leadTheMix([this](float area) { return ProportionAtDistance(DistanceForArea(area)); }, key.fromArea,
                       wall, key.mixingArea, key.startMix);
  }
  return lead_;
}

float PathModel::LedProportionAtDistance(float d) const {
  const MixingLeadTable& lead = mixingLead();
  const float area = AreaAtDistance(d);
  return lead.covers(area) ? lead.asked[lead.stepOf(area)] : ProportionAtDistance(d);
}

Litres PathModel::LedLitresUpTo(float d) const {
  const Litres plan = LitresUpTo(d);
  const MixingLeadTable& lead = mixingLead();
  const float area = AreaAtDistance(d);
  const float extra = settingValue(settings_.settings().LitreM2) *
                      static_cast<float>(lead.extraP2UpTo(area, ProportionAtDistance(d)));
  // The lead's steps on a wall of billions of m² are coarser than the plan's rows, and its extra
  // litres within one step only approximate: neither pump is ever asked less than nothing.
  const float laid = std::clamp(extra, -plan.P2, plan.P1);
  return {plan.P1 - laid, plan.P2 + laid};
}

float PathModel::pathLength() const {
  refresh();
  return tables_.CL.empty() ? 0 : tables_.CL.back();
}

int PathModel::SurfaceX(float d, const ViewMetrics& view) const {
  const float length = pathLength();
  if (d < 0 || tables_.CL.empty()) return 0;
  if (d > length) return view.surfaceWidth;
  if (length == 0) return 0;
  return roundToInt(scaled(d, static_cast<float>(view.surfaceWidth), length));
}

float PathModel::DistanceAtX(int x, const ViewMetrics& view) const {
  const float length = pathLength();
  if (x < 0 || tables_.CL.empty() || view.surfaceWidth <= 0) return 0;
  if (x > view.surfaceWidth) return length;
  return scaled(length, static_cast<float>(x), static_cast<float>(view.surfaceWidth));
}

int PathModel::SurfaceY(float h, float hMax, const ViewMetrics& view) const {
  if (h <= 0) return view.surfaceHeight;
  if (h >= hMax) return 0;
  return view.surfaceHeight - roundToInt(scaled(h, static_cast<float>(view.surfaceHeight), hMax));
}

int PathModel::ProportionY(float p, const ViewMetrics& view) const {
  if (p <= 0) return view.proportionHeight - 1;
  if (p >= 100) return 0;
  return view.proportionHeight - roundToInt(p * static_cast<float>(view.proportionHeight) / 100);
}

int PathModel::ProportionAtY(int y, const ViewMetrics& view) const {
  if (view.proportionHeight <= 0) return 0;
  const float p = 100 - static_cast<float>(100.0 * y) / static_cast<float>(view.proportionHeight);
  return std::clamp(roundToInt(p), 0, 100);
}

int PathModel::HoseX(float litres, const ViewMetrics& view) const {
  const float retard = settingValue(settings_.settings().Retard);
  if (litres < 0) return 0;
  if (litres > retard || retard == 0) return view.hoseWidth;
  return roundToInt(scaled(litres, static_cast<float>(view.hoseWidth), retard));
}

float PathModel::HoseLitresAtX(int x, const ViewMetrics& view) const {
  const float retard = settingValue(settings_.settings().Retard);
  if (x < 0 || view.hoseWidth <= 0) return 0;
  // At the bar's end the whole delay exactly: Retard x Wt / Wt may miss it by the last bit, and a
  // hose that is not quite full swallows the next roller pulse.
  if (x >= view.hoseWidth) return retard;
  return scaled(retard, static_cast<float>(x), static_cast<float>(view.hoseWidth));
}

}  // namespace chromaflow
