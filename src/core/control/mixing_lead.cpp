#include "core/control/mixing_lead.h"

#include <algorithm>
#include <cmath>

namespace chromaflow {
namespace {

constexpr int kLevels = 1001;  // the mix in the roller, 0..100 % by 0.1 point
constexpr double kLevel = 100.0 / (kLevels - 1);
// The mix in the roller at the start is what it is: leaving it costs more than any deviation.
constexpr double kStartPenalty = 1e9;
constexpr double kSnap = 1.5 * kLevel;

// A cost over the levels, read between two levels on the straight line joining them. It is read
// a thousand times a step: the level below is taken as an int (0..1000), which the processor
// converts at once, where a conversion to an unsigned size takes a detour.
double costAt(const double* cost, double mix) {
  const double position = (mix < 0 ? 0 : mix > 100 ? 100 : mix) * (1 / kLevel);
  int below = static_cast<int>(position);
  if (below > kLevels - 2) below = kLevels - 2;
  const double t = position - static_cast<double>(below);
  return cost[below] + (cost[below + 1] - cost[below]) * t;
}

double bestLevel(const std::vector<double>& cost) {
  return kLevel * static_cast<double>(std::min_element(cost.begin(), cost.end()) - cost.begin());
}

// Whether asking u = P + (s/q)·(P − P before) at every step stays within 0..100: then the roller
// lays the plan itself.
bool planCanBeLaid(const std::vector<float>& plan, float step, float mixingArea, float startMix) {
  const double gain = mixingArea / static_cast<double>(step);
  double before = startMix;
  for (float p : plan) {
    const double asked = p + gain * (p - before);
    if (asked < 0 || asked > 100) return false;
    before = p;
  }
  return true;
}

// The mixes nearest the plan that the roller can lay, step by step, into `mix`.
void bestMixes(const std::vector<float>& plan, float step, float mixingArea, float startMix, std::vector<double>& mix) {
  // keep = s / (q + s): the share of the mix a step leaves in the roller; a step moves the mix
  // at most `push` points towards 100 and keep·mix towards 0.
  const double keep = mixingArea / (static_cast<double>(step) + mixingArea);
  const double push = 100 * (1 - keep);
  const double perKeep = 1 / keep;
  const std::size_t steps = plan.size();
  std::vector<double> cost(kLevels), next(kLevels);
  for (int i = 0; i < kLevels; ++i) cost[static_cast<std::size_t>(i)] = kStartPenalty * std::abs(i * kLevel - startMix);
  // best[k]: the mix before step k that costs least, ignoring where step k must reach. The level
  // that costs least is found while the costs are written, as the first of the least (the order
  // bestLevel reads them in), not by reading them all again.
  std::vector<double> best(steps);
  double unconstrained = bestLevel(cost);
  for (std::size_t k = 0; k < steps; ++k) {
    best[k] = unconstrained;
    const double target = plan[k];
    const double* const before = cost.data();
    double* const after = next.data();
    int least = 0;
    double leastCost = 0;
    for (int i = 0; i < kLevels; ++i) {
      const double level = i * kLevel;
      const double lowest = (level - push) * perKeep, highest = level * perKeep;
      const double from = unconstrained < lowest ? lowest : unconstrained > highest ? highest : unconstrained;
      const double levelCost = costAt(before, from) + std::abs(level - target) * step;
      after[i] = levelCost;
      if (i == 0 || levelCost < leastCost) least = i, leastCost = levelCost;
    }
    unconstrained = kLevel * least;
    cost.swap(next);
  }
  double after = unconstrained;
  for (std::size_t k = steps; k-- > 0;) {
    mix[k] = after;
    after = std::clamp(best[k], (after - push) * perKeep, after * perKeep);
  }
  // The levels are 0.1 point apart: where the best mix is within that of the plan, it is the
  // plan itself, so that the lead asks the plan's straight lines and not steps between levels.
  for (std::size_t k = 0; k < steps; ++k)
    if (std::abs(mix[k] - plan[k]) <= kSnap) mix[k] = std::clamp(plan[k], 0.0f, 100.0f);
}

}  // namespace

std::size_t MixingLeadTable::stepOf(float area) const {
  const double k = std::ceil((static_cast<double>(area) - fromArea) / step) - 1;
  return static_cast<std::size_t>(std::clamp(k, 0.0, static_cast<double>(asked.size() - 1)));
}

double MixingLeadTable::extraP2UpTo(float area, float planProportion) const {
  if (asked.empty() || !(area > fromArea)) return 0;
  if (area > toArea) return extraP2.back();
  const std::size_t k = stepOf(area);
  const double before = k == 0 ? 0 : extraP2[k - 1];
  const double into = static_cast<double>(area) - (fromArea + static_cast<double>(k) * step);
  return before + into * (asked[k] - planProportion) / 100;
}

MixingLeadTable leadTheMixSampled(const std::vector<float>& plan, float fromArea, float step, float mixingArea,
                                  float startMix) {
  MixingLeadTable table{fromArea, fromArea + step * static_cast<float>(plan.size()), step, {}, {}};
  const std::size_t steps = plan.size();
  if (steps == 0 || !(step > 0)) return table;
  table.asked.resize(steps);
  table.extraP2.resize(steps);

  std::vector<double> mix(steps);
  for (std::size_t k = 0; k < steps; ++k) mix[k] = std::clamp(plan[k], 0.0f, 100.0f);
  if (mixingArea > 0 && !planCanBeLaid(plan, step, mixingArea, startMix)) bestMixes(plan, step, mixingArea, startMix, mix);

  // What to ask so that each step lays that mix, walked forward from the start as the roller
  // will mix it.
  const double keep = mixingArea > 0 ? mixingArea / (static_cast<double>(step) + mixingArea) : 0;
  double inRoller = startMix, extra = 0;
  for (std::size_t k = 0; k < steps; ++k) {
    const double asked = std::clamp((mix[k] - keep * inRoller) / (1 - keep), 0.0, 100.0);
    inRoller = keep * inRoller + (1 - keep) * asked;
    table.asked[k] = static_cast<float>(asked);
    extra += (asked - plan[k]) / 100 * step;
    table.extraP2[k] = extra;
  }
  return table;
}

}  // namespace chromaflow
