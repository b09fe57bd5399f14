#pragma once
// The path model computed step by step, row by row, as its definition reads: the oracle the
// fast model must match bit for bit.

#include <algorithm>
#include <utility>

#include "core/common/display_forms.h"
#include "core/control/path_model.h"

namespace chromaflow::testing {

class LiteralPathModel {
 public:
  LiteralPathModel(PathTables tables, float litresPerSquareMetre)
      : t_(std::move(tables)), litresPerSquareMetre_(litresPerSquareMetre) {}

  float DistanceForArea(float a) const {
    const std::size_t n = t_.CS.size();
    if (a < 0 || n == 0) return 0;
    if (a > t_.CS[n - 1]) return t_.H[n - 1] == 0 ? t_.CL[n - 1] : t_.CL[n - 1] + (a - t_.CS[n - 1]) / t_.H[n - 1];
    std::size_t r = 0;
    while (t_.CS[r] < a) ++r;
    if (r == 0) return line(a, 0, t_.CS[0], 0, t_.CL[0]);
    return line(a, t_.CS[r - 1], t_.CS[r], t_.CL[r - 1], t_.CL[r]);
  }

  float AreaAtDistance(float d) const {
    const std::size_t n = t_.CL.size();
    if (d < 0 || n == 0) return 0;
    if (d > t_.CL[n - 1]) return t_.CS[n - 1] + t_.H[n - 1] * (d - t_.CL[n - 1]);
    std::size_t r = 0;
    while (t_.CL[r] < d) ++r;
    if (r == 0) return line(d, 0, t_.CL[0], 0, t_.CS[0]);
    return line(d, t_.CL[r - 1], t_.CL[r], t_.CS[r - 1], t_.CS[r]);
  }

  float HeightAtDistance(float d) const {
    const std::size_t n = t_.CL.size();
    if (d < 0 || n == 0) return 0;
    if (d > t_.CL[n - 1]) return t_.H[n - 1];
    std::size_t r = 0;
    while (t_.CL[r] < d) ++r;
    return t_.H[r];
  }

  float ProportionAtDistance(float d) const {
    const std::size_t m = t_.D.size();
    if (m == 0) return 0;
    float p = 0;
    if (d <= t_.D[0]) {
      p = t_.P[0];
    } else if (d > t_.D[m - 1]) {
      p = t_.P[m - 1];
    } else {
      std::size_t r = 1;
      while (t_.D[r] < d) ++r;
      p = Interpolate(d, t_.D[r - 1], t_.D[r], t_.P[r - 1], t_.P[r]);
    }
    return std::clamp(p, 0.0f, 100.0f);
  }

  // Past the last row at or before d.
  float ProportionAfter(float d) const {
    const std::size_t m = t_.D.size();
    if (m == 0) return 0;
    std::size_t r = 0;
    while (r < m && t_.D[r] <= d) ++r;
    float p = r == 0 ? t_.P[0] : r == m ? t_.P[m - 1] : Interpolate(d, t_.D[r - 1], t_.D[r], t_.P[r - 1], t_.P[r]);
    return std::clamp(p, 0.0f, 100.0f);
  }

  Litres LitresUpTo(float d) const {
    const std::size_t n = t_.CL.size(), m = t_.D.size();
    if (n == 0 || m == 0) return {};
    std::size_t i = 0, j = 0;
    float d0 = 0, a0 = 0, a1 = 0, a2 = 0;
    for (;;) {
      float b = d;
      int kind = 0;  // 0 end, 1 surface, 2 proportion
      if (i < n && t_.CL[i] < b) b = t_.CL[i], kind = 1;
      if (j < m && t_.D[j] < b) b = t_.D[j], kind = 2;
      float area = 0;
      if (kind == 1) area = t_.CS[i++];
      else if (kind == 2) area = AreaAtDistance(b), ++j;
      else area = AreaAtDistance(b);
      const float dA = area - a0;
      const float c = (ProportionAfter(d0) + ProportionAtDistance(b)) / 2 / 100;
      a1 = a1 + (1 - c) * dA;
      a2 = a2 + c * dA;
      a0 = area;
      d0 = b;
      if (kind == 0) break;
    }
    return {litresPerSquareMetre_ * a1, litresPerSquareMetre_ * a2};
  }

 private:
  static float line(float x, float x0, float x1, float y0, float y1) {
    return x0 == x1 ? y0 : Interpolate(x, x0, x1, y0, y1);
  }

  PathTables t_;
  float litresPerSquareMetre_;
};

}  // namespace chromaflow::testing
