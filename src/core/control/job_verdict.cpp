#include "core/control/job_verdict.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

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

  // Each place's deviation, judged over the window about it; none where it is not judged.
  struct Judged {
    bool judged = false;
    double deviation = 0;  // points, laid minus asked
    double window = 0;     // m the window spans
  };
  std::vector<Judged> judged(n);
  for (std::size_t k = 0; k < n; ++k) {
    const RecordedStretch& bin = bins[k];
    if (!judgeable(bin)) continue;
    // The window about bin k: grown on the side that holds less paint until it holds the window's
    // litres, or the whole run.
    RecordedStretch window = bin;
    std::size_t first = k, last = k;
    double before = 0, after = 0;
    while (dosedLitres(window) < windowLitres) {
      const bool left = first > 0, right = last + 1 < n;
      if (!left && !right) break;
      if (left && (!right || before <= after)) {
        RecordedStretch grown = bins[--first];
        before += dosedLitres(grown);
        grown.extendBy(window);
        window = grown;
      } else {
        after += dosedLitres(bins[++last]);
        window.extendBy(bins[last]);
      }
    }
    // Both pumps silent over the whole window: no proportion was laid there to judge.
    if (window.laidProportion() < 0) continue;
    judged[k] = {true, window.laidProportion() - window.dosedProportion(), window.to - window.from};
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
