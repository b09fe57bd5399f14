#include "sim/machine/machine_job.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace chromaflow::sim {
namespace {

double size(double metres) { return std::isfinite(metres) ? std::max(0.0, metres) : 0.0; }

// The index of the first bound at least `x`, and of the first above it.
std::size_t firstReaching(const std::vector<double>& bounds, double x) {
  return static_cast<std::size_t>(std::lower_bound(bounds.begin(), bounds.end(), x) - bounds.begin());
}
std::size_t firstBeyond(const std::vector<double>& bounds, double x) {
  return static_cast<std::size_t>(std::upper_bound(bounds.begin(), bounds.end(), x) - bounds.begin());
}

}  // namespace

Wall::Wall(const std::vector<WallSurface>& surfaces, std::vector<PlannedProportion> plan) {
  double distance = 0, area = 0;
  for (const WallSurface& surface : surfaces) {
    const double height = size(surface.height), length = size(surface.length);
    heights_.push_back(height);
    starts_.push_back(distance);
    areasBefore_.push_back(area);
    distance += length;
    area += height * length;
    ends_.push_back(distance);
    areas_.push_back(area);
  }
  std::erase_if(plan, [](const PlannedProportion& point) {
    return !std::isfinite(point.distance) || !std::isfinite(point.proportion);
  });
  // Two points at one distance keep their order: the plan's mix jumps there.
  std::stable_sort(plan.begin(), plan.end(),
                   [](const PlannedProportion& a, const PlannedProportion& b) { return a.distance < b.distance; });
  points_ = std::move(plan);
}

double Wall::distanceForArea(double area) const {
  if (empty() || !(area > 0)) return 0;
  if (area >= this->area()) {
    const double height = heights_.back();
    return height > 0 ? length() + (area - this->area()) / height : length();
  }
  // The first surface whose end area reaches `area`; it starts below `area`, so it has a height.
  const std::size_t i = firstReaching(areas_, area);
  return starts_[i] + (area - areasBefore_[i]) / heights_[i];
}

double Wall::areaAtDistance(double distance) const {
  if (empty() || !(distance > 0)) return 0;
  if (distance >= length()) return area() + heights_.back() * (distance - length());
  const std::size_t i = firstReaching(ends_, distance);
  return areasBefore_[i] + heights_[i] * (distance - starts_[i]);
}

double Wall::heightAt(double distance) const {
  if (empty() || distance < 0) return 0;
  if (distance >= length()) return heights_.back();
  return heights_[firstBeyond(ends_, distance)];
}

double Wall::plannedProportionAt(double distance) const {
  if (points_.empty()) return 0;
  double proportion = 0;
  if (distance <= points_.front().distance) {
    proportion = points_.front().proportion;
  } else if (distance >= points_.back().distance) {
    proportion = points_.back().proportion;
  } else {
    // The first point at or after `distance`; the one before it lies strictly before.
    const auto after = std::lower_bound(points_.begin(), points_.end(), distance,
                                        [](const PlannedProportion& point, double d) { return point.distance < d; });
    const auto before = std::prev(after);
    proportion = before->proportion + (distance - before->distance) * (after->proportion - before->proportion) /
                                          (after->distance - before->distance);
  }
  return std::clamp(proportion, 0.0, 100.0);
}

}  // namespace chromaflow::sim
