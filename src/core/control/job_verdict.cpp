#include "core/control/job_verdict.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "core/common/display_forms.h"
#include "core/control/job_record.h"

namespace chromaflow {
namespace {

// The stretches the headline names; the others are counted.
constexpr std::size_t kStretchesNamed = 4;

double dosedLitres(const RecordedStretch& s) { return s.dosedP1 + s.dosedP2; }

// A place is judged where the roller laid paint that was pumped for it: not where the roller never
// went, nor where it laid the paint already in the hose when the record started.
bool judgeable(const RecordedStretch& bin) { return bin.distancePainted > 0 && dosedLitres(bin) > 0; }

// The pulses per litre of the coarser pump, as the record counted them (0: no pulse counted).
double pulsesPerLitre(const std::vector<RecordedStretch>& bins) {
  long long pulsesP1 = 0, pulsesP2 = 0;
  double litresP1 = 0, litresP2 = 0;
  for (const RecordedStretch& bin : bins) {
    pulsesP1 += bin.pulsesP1;
    pulsesP2 += bin.pulsesP2;
    litresP1 += bin.deliveredP1;
    litresP2 += bin.deliveredP2;
  }
  const double p1 = litresP1 > 0 ? static_cast<double>(pulsesP1) / litresP1 : 0;
  const double p2 = litresP2 > 0 ? static_cast<double>(pulsesP2) / litresP2 : 0;
  return p1 > 0 && p2 > 0 ? std::min(p1, p2) : std::max(p1, p2);
}

// Litres summed to the last bit: the rounded sum and what its rounding left out (Knuth's
// two-sum). The two doubles hold some 106 bits, more than the litres of a record span (from a
// pulse's share of a litre to the whole wall's), so the difference of two running sums along the
// profile is the exact sum of the bins between them, whatever their number.
struct ExactLitres {
  double sum = 0, rest = 0;
};

ExactLitres twoSum(double a, double b) {
  const double sum = a + b;
  const double fromB = sum - a;
  return {sum, (a - (sum - fromB)) + (b - fromB)};
}

ExactLitres operator+(ExactLitres x, double y) {
  const ExactLitres s = twoSum(x.sum, y);
  return twoSum(s.sum, s.rest + x.rest);
}

ExactLitres operator-(ExactLitres x, ExactLitres y) {
  const ExactLitres s = twoSum(x.sum, -y.sum);
  return twoSum(s.sum, s.rest + (x.rest - y.rest));
}

bool operator<(ExactLitres x, ExactLitres y) { return x.sum < y.sum || (x.sum == y.sum && x.rest < y.rest); }

// Whether every sum of some of the bins' values, added one after the other, is exact: all are
// whole multiples of one power of two, and all of them together stay within the 52 bits of those
// a double holds. The plan's litres a record keeps are differences of 32-bit litres, which always
// are; litres counted from the pumps' pulses are not.
template <typename Value>
bool summedExactly(const std::vector<RecordedStretch>& bins, Value value) {
  int grain = std::numeric_limits<int>::max();
  double size = 0;
  for (const RecordedStretch& bin : bins) {
    const double x = value(bin);
    if (x == 0) continue;
    // x is its mantissa times 2 to its exponent: its grain is the lowest bit of the mantissa.
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    if (biased == 0x7FF) return false;  // not a number of litres
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (biased ? std::uint64_t{1} << 52 : 0);
    grain = std::min(grain, std::max(biased, 1) - 1075 + std::countr_zero(mantissa));
    size += std::abs(x);
  }
  return size == 0 || std::ldexp(size, -grain) < 0x1p52;
}

// A window's growth adds its litres one bin after the other, each sum off the exact one by its
// rounding: some 1e-16 of it a bin, 1e-13 over a whole profile. Two figures closer than this share
// of themselves may be weighed either way by that rounding.
constexpr double kRoundingShare = 1e-9;
// The same for a deviation, in points: rounding moves it by some 1e-11 point at most.
constexpr double kRoundingPoints = 1e-8;

bool tooClose(double a, double b) { return std::abs(a - b) <= kRoundingShare * std::max(std::abs(a), std::abs(b)); }

// The bins [first, last] a place is judged over, and their litres.
struct Window {
  std::size_t first = 0, last = 0;
  double dosedP1 = 0, dosedP2 = 0, deliveredP1 = 0, deliveredP2 = 0;
};

// The window about bin k grown as its definition reads: one bin at a time on the side that holds
// less paint (the side before it when both hold as much), until it holds the window's litres or
// the whole run; its litres summed in the order it took the bins. As many steps as it has bins.
Window grownWindow(const std::vector<RecordedStretch>& bins, std::size_t k, double windowLitres) {
  const RecordedStretch& bin = bins[k];
  Window window{k, k, bin.dosedP1, bin.dosedP2, bin.deliveredP1, bin.deliveredP2};
  double before = 0, after = 0;
  while (window.dosedP1 + window.dosedP2 < windowLitres) {
    const bool left = window.first > 0, right = window.last + 1 < bins.size();
    if (!left && !right) break;
    const bool leftward = left && (!right || before <= after);
    const RecordedStretch& next = leftward ? bins[--window.first] : bins[++window.last];
    (leftward ? before : after) += dosedLitres(next);
    window.dosedP1 += next.dosedP1;
    window.dosedP2 += next.dosedP2;
    window.deliveredP1 += next.deliveredP1;
    window.deliveredP2 += next.deliveredP2;
  }
  return window;
}

// The windows about the bins, one bin after the other along the path, in one pass.
//
// The growth takes the bins about k in the order of the paint between each and bin k, the side
// before it first on a tie, and stops at the first that makes the window's litres. So the window
// about a bin further along starts and ends no earlier than the one about a bin before it: a bin
// it would take before the earlier window's start comes, for it, after bins that already hold
// the window's litres; a bin the earlier window took after its own end is, for it, no further
// than paint the earlier window did not hold. Each end only moves forward: every window of the
// profile is found in two steps a bin, on running sums along it.
//
// Those sums are exact where the growth rounds at each bin it adds. The two weigh alike unless a
// figure lies within that rounding of what it is weighed against (decidedByRounding()); such a
// window is grown again as its definition reads, so that a verdict reads as it always has.
class Windows {
 public:
  Windows(const std::vector<RecordedStretch>& bins, double windowLitres) : bins_(bins), windowLitres_(windowLitres) {
    sums_.reserve(bins.size() + 1);
    sums_.emplace_back();
    for (const RecordedStretch& bin : bins) {
      Sums next = sums_.back();
      next.dosed = next.dosed + dosedLitres(bin);
      next.dosedP1 = next.dosedP1 + bin.dosedP1;
      next.dosedP2 = next.dosedP2 + bin.dosedP2;
      next.deliveredP1 = next.deliveredP1 + bin.deliveredP1;
      next.deliveredP2 = next.deliveredP2 + bin.deliveredP2;
      sums_.push_back(next);
    }
    exactBetween_ = summedExactly(bins, [](const RecordedStretch& bin) { return dosedLitres(bin); });
    exactDosed_ = summedExactly(bins, [](const RecordedStretch& bin) { return bin.dosedP1; }) &&
                  summedExactly(bins, [](const RecordedStretch& bin) { return bin.dosedP2; });
    exactLitres_ = exactDosed_ && summedExactly(bins, [](const RecordedStretch& bin) { return bin.deliveredP1; }) &&
                   summedExactly(bins, [](const RecordedStretch& bin) { return bin.deliveredP2; });
  }

  // The window about bin k; bins asked in order along the path.
  Window about(std::size_t k) {
    k_ = k;
    last_ = std::max(last_, k);
    const std::size_t n = bins_.size();
    for (;;) {
      if (first_ < k) {
        const ExactLitres firstAt = before(first_);
        // The next bin after k comes before the window's first: either the window holds its
        // litres without that first bin, or it takes the next one too.
        if (last_ + 1 < n && after(last_ + 1) < firstAt) {
          if (holds(first_ + 1, last_))
            ++first_;
          else
            ++last_;
          continue;
        }
        // The first bin came last: taken only if the window lacked litres without it.
        if ((last_ == k || after(last_) < firstAt) && holds(first_ + 1, last_)) {
          ++first_;
          continue;
        }
      }
      // The window's start is found: the next bin after k is taken if the window lacks litres and
      // the bin before its start does not come first.
      if (last_ + 1 < n && (first_ == 0 || after(last_ + 1) < before(first_ - 1)) && !holds(first_, last_)) {
        ++last_;
        continue;
      }
      break;
    }
    return {first_, last_, litres(&Sums::dosedP1), litres(&Sums::dosedP2), litres(&Sums::deliveredP1),
            litres(&Sums::deliveredP2)};
  }

  // Whether the growth, rounding as it adds, may have ended the last window about() gave
  // elsewhere: the window holds about its litres with or without the bin it took last, or that
  // bin lies about as far from bin k as the last one taken or the first one left out on the
  // other side.
  bool decidedByRounding() const {
    const std::size_t k = k_, first = first_, last = last_;
    if ((first == k && last == k) || (exactBetween_ && exactDosed_)) return false;
    const bool firstCameLast = first < k && (last == k || after(last) < before(first));
    if (litresNear(first, last) || (firstCameLast ? litresNear(first + 1, last) : litresNear(first, last - 1)))
      return true;
    return (first < k && last > k && paintBetweenNear(first, last)) ||
           (first < k && last + 1 < bins_.size() && paintBetweenNear(first, last + 1)) ||
           (last > k && first > 0 && paintBetweenNear(first - 1, last));
  }

  // Whether the growth sums the last window's litres to these same bits: two bins added round
  // once, as their exact sum does.
  bool summedAlike() const { return last_ - first_ < 2 || exactLitres_; }

 private:
  struct Sums {
    ExactLitres dosed, dosedP1, dosedP2, deliveredP1, deliveredP2;
  };

  // The paint dosed between bin b and bin k: b before k, b after k.
  ExactLitres before(std::size_t b) const { return sums_[k_].dosed - sums_[b + 1].dosed; }
  ExactLitres after(std::size_t b) const { return sums_[b].dosed - sums_[k_ + 1].dosed; }
  // The litres dosed for bins [first, last], weighed as the growth weighs them: each pump's, then
  // both.
  double dosedOf(std::size_t first, std::size_t last) const {
    return (sums_[last + 1].dosedP1 - sums_[first].dosedP1).sum + (sums_[last + 1].dosedP2 - sums_[first].dosedP2).sum;
  }
  bool holds(std::size_t first, std::size_t last) const { return !(dosedOf(first, last) < windowLitres_); }
  double litres(ExactLitres Sums::*of) const { return (sums_[last_ + 1].*of - sums_[first_].*of).sum; }
  // Whether the growth's own sum of bins [first, last] may fall on the other side of the window's
  // litres: never for two bins or fewer, summed alike.
  bool litresNear(std::size_t first, std::size_t last) const {
    return !exactDosed_ && last - first >= 2 && tooClose(dosedOf(first, last), windowLitres_);
  }
  // Whether the growth may weigh the paint between bin k and the bins `left` and `right` about it
  // the other way: never when each side holds one bin or none, which the growth sums exactly.
  bool paintBetweenNear(std::size_t left, std::size_t right) const {
    return !exactBetween_ && (k_ - left > 2 || right - k_ > 2) && tooClose(before(left).sum, after(right).sum);
  }

  const std::vector<RecordedStretch>& bins_;
  const double windowLitres_;
  std::vector<Sums> sums_;  // from the path's start to each bin's start
  std::size_t k_ = 0, first_ = 0, last_ = 0;
  // Whether the growth sums the paint between bins, each pump's litres dosed, all four litres,
  // without rounding.
  bool exactBetween_ = false, exactDosed_ = false, exactLitres_ = false;
};

// A place's judgement over the window about it.
struct Judged {
  bool judged = false;
  double deviation = 0;  // points, laid minus asked
  double window = 0;     // m the window spans
};

Judged judgedOver(const std::vector<RecordedStretch>& bins, const Window& w) {
  RecordedStretch window;
  window.dosedP1 = w.dosedP1;
  window.dosedP2 = w.dosedP2;
  window.deliveredP1 = w.deliveredP1;
  window.deliveredP2 = w.deliveredP2;
  // Both pumps silent over the whole window: no proportion was laid there to judge.
  if (window.laidProportion() < 0) return {};
  return {true, window.laidProportion() - window.dosedProportion(), bins[w.last].to - bins[w.first].from};
}

// A deviation this close to the tolerance, to the edge between two tenths the headline writes, or
// to 2 points (from which it writes "points"), is told apart by the last bits of its sums. Whole
// pulses laid for a plan at 50 % make such deviations: 52 % laid is 2 points off to the bit.
bool onAnEdge(double deviation, double tolerance) {
  const double size = std::abs(deviation);
  const double tenths = size * 10;
  return std::abs(size - tolerance) <= kRoundingPoints || std::abs(size - 2) <= kRoundingPoints ||
         std::abs(tenths - std::floor(tenths) - 0.5) <= kRoundingPoints * 10;
}

// "1 point", "2 points": a plural from 2 on, as French writes it.
std::string pointsAfter(const std::string& number, double value) {
  return number + (std::abs(value) < 2 ? " point" : " points");
}

// "±2 points", "±0.5 point": the tolerance as the operator set it.
std::string tolerancePoints(double tolerance) {
  return "±" + pointsAfter(tolerance == std::floor(tolerance) ? formatFixed(tolerance, 0) : F1(tolerance), tolerance);
}

// "+6.5 points", "-3.0 points".
std::string deviationPoints(double deviation) {
  return pointsAfter((deviation > 0 ? "+" : "") + F1(deviation), deviation);
}

}  // namespace


JobVerdict judgeJob(const JobRecord& record, double tolerance) {
  JobVerdict verdict;
  verdict.tolerance = tolerance;
  const std::vector<RecordedStretch>& bins = record.profile();
  const std::size_t n = bins.size();
  double dosed = 0;
  for (const RecordedStretch& bin : bins) {
    verdict.painted |= judgeable(bin);
    verdict.paintedLength += std::min<double>(bin.distancePainted, bin.to - bin.from);
    dosed += dosedLitres(bin);
  }
  // A window holds what the pumps were asked for it, counted in their pulses: a pump that stopped
  // there does not widen it.
  const double perLitre = pulsesPerLitre(bins);
  const double windowLitres = perLitre > 0 ? static_cast<double>(JobVerdict::kWindowPulses) / perLitre : 0;
  verdict.enoughToJudge = verdict.painted && perLitre > 0 && dosed >= windowLitres;
  if (!verdict.enoughToJudge) return verdict;
  verdict.windowLitres = windowLitres;

  // Each place's deviation, judged over the window about it; none where it is not judged. A window
  // the growth may have ended elsewhere, or whose deviation its rounding may set on the other
  // side of an edge of the headline, is grown again: the verdict is the growth's to the letter.
  std::vector<Judged> judged(n);
  Windows windows(bins, windowLitres);
  for (std::size_t k = 0; k < n; ++k) {
    const RecordedStretch& bin = bins[k];
    if (!judgeable(bin)) continue;
    const Window window = windows.about(k);
    const bool regrow = windows.decidedByRounding();
    Judged place = regrow ? Judged{} : judgedOver(bins, window);
    if (regrow || (place.judged && !windows.summedAlike() && onAnEdge(place.deviation, tolerance)))
      place = judgedOver(bins, grownWindow(bins, k, windowLitres));
    if (!place.judged) continue;
    judged[k] = place;
    verdict.judgedLength += std::min<double>(bin.distancePainted, bin.to - bin.from);
    verdict.judgedLitres += bin.deliveredP1 + bin.deliveredP2;
  }

  // The places out of tolerance, in runs. Two runs off the same way and closer than half a window
  // are one: the judgement does not tell them apart. Too much P2 after too little is another run.
  struct Run {
    std::size_t first, last;
    double worst;
  };
  std::vector<Run> runs;
  const auto out = [&](std::size_t k) { return judged[k].judged && std::abs(judged[k].deviation) > tolerance; };
  for (std::size_t k = 0; k < n; ++k) {
    if (!out(k)) continue;
    const double deviation = judged[k].deviation;
    const bool continues = !runs.empty() && (runs.back().worst > 0) == (deviation > 0) &&
                           (runs.back().last + 1 == k ||
                            bins[k].from - bins[runs.back().last].to < judged[k].window / 2);
    if (continues) {
      runs.back().last = k;
      if (std::abs(deviation) > std::abs(runs.back().worst)) runs.back().worst = deviation;
    } else {
      runs.push_back({k, k, deviation});
    }
  }
  // A window straddling the edge of a fault sees part of it, so a run may begin and end up to half
  // a window outside the fault that made it: the judgement errs on the side of the client.
  for (const Run& run : runs) verdict.stretches.push_back({bins[run.first].from, bins[run.last].to, run.worst});
  verdict.withinTolerance = verdict.stretches.empty();
  return verdict;
}

std::string verdictText(const JobVerdict& verdict) {
  const std::string tolerance = tolerancePoints(verdict.tolerance);
  if (!verdict.painted) return "Rien n'a été peint : pas de proportion à juger.";
  if (!verdict.enoughToJudge)
    return "Trop peu de peinture posée pour juger la proportion (" + std::to_string(JobVerdict::kWindowPulses) +
           " impulsions des pompes au moins).";
  if (verdict.withinTolerance) {
    // Paint already in the hose when the record started was laid first, and is not judged.
    const bool partly = F2(verdict.judgedLength) != F2(verdict.paintedLength);
    return "Proportion tenue à " + tolerance + " sur " + F2(verdict.judgedLength) +
           (partly ? " m jugés des " + F2(verdict.paintedLength) + " m peints." : " m peints.");
  }
  const std::size_t count = verdict.stretches.size();
  std::string text = "Proportion hors tolérance (" + tolerance + ") sur " + std::to_string(count) +
                     (count == 1 ? " tronçon : " : " tronçons : ");
  for (std::size_t i = 0; i < std::min(count, kStretchesNamed); ++i) {
    const OutOfTolerance& s = verdict.stretches[i];
    if (i > 0) text += ", ";
    text += F2(s.from) + "–" + F2(s.to) + " m (écart " + deviationPoints(s.worstDeviation) + ")";
  }
  if (count > kStretchesNamed) text += ", et " + std::to_string(count - kStretchesNamed) + " autres";
  return text + ".";
}

}  // namespace chromaflow
