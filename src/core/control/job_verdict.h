#pragma once
// The verdict of a job: whether the mix laid along the path stayed within a tolerance of the mix
// asked, and where it did not. It is what the client gets, and what the job sheet's headline
// says; the correction's alarms, which a hundredth of a litre raises, are not it.
//
// The proportion is P2's share, as the plan writes it; laid is what the pumps' pulses delivered
// for a place, asked is what the dosing asked of them for it (the plan's proportion, or the mixing
// lead's when it leads the mix). The pumps give paint in pulses, so a proportion is only as fine
// as the pulses it is made of: on a long thin path a profile bin holds two or three pulses, and
// one pulse more or less moves its proportion by tens of points. Each place along the path is
// therefore judged over the paint asked around it until it stands for kWindowPulses pulses: one
// pulse then moves the proportion by half a point at most, a quarter of the usual tolerance (on
// the example wall, 0.9 litre or 2.6 m). A window wider still, the roller's mixing volume, would
// place a fault less well for no steadier a judgement. The window follows neither the tolerance
// (a place found within one tolerance is within any wider one) nor the settings: the verdict is
// the record's alone.
//
// A plain value: the job history keeps it beside the job.

#include <string>
#include <vector>

namespace chromaflow {

class JobRecord;

// One stretch of the path laid out of tolerance.
struct OutOfTolerance {
  double from = 0, to = 0;     // m along the path
  double worstDeviation = 0;   // points of proportion, laid minus asked, the largest in size
  bool operator==(const OutOfTolerance&) const = default;
};

struct JobVerdict {
  static constexpr double kDefaultTolerance = 2;
  // The pump pulses a place is judged over at least: one pulse more or less then moves the
  // proportion by half a point at most.
  static constexpr long long kWindowPulses = 200;

  bool painted = false;          // paint pumped for the path was laid on some of it
  bool enoughToJudge = false;    // that paint held enough pulses to judge the proportion
  bool withinTolerance = false;  // judged, and laid within the tolerance everywhere
  double tolerance = kDefaultTolerance;  // points of proportion, either way
  double paintedLength = 0;      // m of the path the roller painted
  double judgedLength = 0;       // m of it painted with paint pumped for it, and judged
  double judgedLitres = 0;       // delivered by the pumps for the stretches judged
  double windowLitres = 0;       // the paint each place was judged over, kWindowPulses of it
  std::vector<OutOfTolerance> stretches;  // in order along the path, adjacent ones merged
  bool operator==(const JobVerdict&) const = default;
};

// Judges the record's profile.
JobVerdict judgeJob(const JobRecord& record, double tolerance);

// The verdict in one line of French, as the report and the job sheet head with it (UTF-8).
std::string verdictText(const JobVerdict& verdict);

}  // namespace chromaflow
