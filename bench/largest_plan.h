#pragma once
// The largest plan the benchmarks measure: 100 surfaces and 10,000 proportion rows spread along
// the path, the rows read as a plan file's lines (sorted once).

#include <random>
#include <string>
#include <vector>

#include "core/common/display_forms.h"
#include "core/plan/plan.h"

namespace chromaflow::bench {

inline void largestPlan(Plan& plan) {
  std::mt19937 random(1);
  for (int i = 0; i < kMaxSurfaces; ++i)
    plan.appendSurface({static_cast<float>(1 + random() % 300) / 100, static_cast<float>(1 + random() % 500) / 100});
  const double length = value(plan.surfaceRow(plan.surfaceCount())[4]);
  std::vector<std::string> rows{"Prop."};
  for (int j = 0; j < 10'000; ++j)
    rows.push_back(std::to_string(j + 1) + ";" + F2(length * j / 10'000.0) + ";" + std::to_string(random() % 101));
  plan.applyFileLines(rows);
}

}  // namespace chromaflow::bench
