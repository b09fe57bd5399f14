#pragma once
// The job record: what was really laid, surface by surface and proportion interval by interval,
// since the operator last started from the beginning of the path ("->|<-").
//
// Each reading-cycle tick tells the record where the roller is and where the paint now leaving
// the pumps will be laid (the anticipated distance, as the dosing sees it), and the pumps'
// counters. The litres the plan asks are the plan's litres between two anticipated distances; the
// litres delivered are the pulses counted in that tick, laid where the anticipated distance is.
// The proportion laid is P2's share of what was delivered for a stretch, as the plan writes it.
// Beside the plan's litres, the record keeps the litres the dosing asked of the pumps: the same,
// but where the mixing lead asks ahead of the plan so that the roller's mix lays it.
// Alarms are kept with when and where they were raised and how long they lasted.
//
// Memory is bounded whatever the length of the run: one aggregate per surface, per interval and
// per profile bin, at most kMaxCoverPieces pieces of painted path, and at most kMaxAlarms alarms
// (the ones after are only counted).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/control/figures.h"
#include "core/control/path_model.h"

namespace chromaflow {

// What one reading-cycle tick shows the record.
struct JobTick {
  std::int64_t milliseconds = 0;  // since the run started
  float distance = 0;             // where the roller is, m
  float anticipatedDistance = 0;  // where the paint now leaving the pumps will be laid, m
  long long pulsesP1 = 0, pulsesP2 = 0;  // the pumps' counters
  int pulsesPerLitreP1 = 0, pulsesPerLitreP2 = 0;
  float correction = 0;  // % the automatic correction applies to the mix
  bool ledMix = false;   // the dosing asks the mixing lead's proportion, not the plan's
  std::array<bool, kAlarmCount> alarms{};
  // The roller's and the pumps' pulses the machine made and the acquisition never counted,
  // where the machine tells them (the simulated one, live).
  std::optional<std::uint64_t> pulsesLost{};
};

// One surface, one proportion interval or one profile bin of the path: [from, to) in metres.
struct RecordedStretch {
  float from = 0, to = 0;
  float distancePainted = 0;  // m of it the roller painted (painted twice, counted once)
  float areaPainted = 0;      // m² it painted there
  double askedP1 = 0, askedP2 = 0;          // litres the plan asks for the paint pumped for it
  double dosedP1 = 0, dosedP2 = 0;          // litres the dosing asked of the pumps for it
  double deliveredP1 = 0, deliveredP2 = 0;  // litres counted from the pumps' pulses for it
  long long pulsesP1 = 0, pulsesP2 = 0;    // counted for it
  double correctionSum = 0;                 // of the correction at each tick pumping for it
  long long correctionTicks = 0;

  bool pumped() const { return askedP1 + askedP2 > 0 || deliveredP1 + deliveredP2 > 0; }
  // The mix's proportion as the plan writes it, P2's share in % (0: P1 alone), or a negative
  // value when nothing was asked (delivered) there.
  double askedProportion() const;
  double laidProportion() const;
  // The proportion the pumps were asked for it: the plan's, or the mixing lead's.
  double dosedProportion() const;
  // The stretch continued by the one that follows it: its figures added, its end moved there.
  void extendBy(const RecordedStretch& next);
  double meanCorrection() const { return correctionTicks ? correctionSum / static_cast<double>(correctionTicks) : 0; }
};

// One alarm from when it was raised to when it last cleared. An alarm raised again soon after
// it cleared (the pumps' counts flickering about a limit) continues the same entry.
struct RecordedAlarm {
  Alarm alarm = Alarm::P1Lente;
  std::int64_t startMilliseconds = 0;
  float startDistance = 0;                // where the roller was when it was raised, m
  std::int64_t durationMilliseconds = 0;  // until it last cleared, or until now while it stands
  int raisings = 1;
  bool standing = false;
};

// Bytes that do not hold a kept record: damaged, cut short, or of a later program.
class StoredRecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class JobRecord {
 public:
  static constexpr std::size_t kMaxAlarms = 10'000;
  // An alarm raised again within this time after it cleared continues its entry.
  static constexpr std::int64_t kAlarmGapMilliseconds = 2'000;
  static constexpr int kProfileBins = 400;
  // Pieces of painted path kept apart at most; past that the narrowest gap counts as painted.
  static constexpr std::size_t kMaxCoverPieces = 256;

  // A new run from the start of the path: the stretches are the plan's as the path model reads
  // it, every figure zero. The tick given is where the run starts from.
  void restart(const PathModel& path, const JobTick& start);
  // One reading-cycle tick of the run.
  void record(const JobTick& tick, const PathModel& path);

  bool started() const { return started_; }
  // Whether the roller painted any of the path yet.
  bool painted() const { return !cover_.empty(); }
  // Whether the record was cut for the path as it now stands (an edit of the plan that moves a
  // surface end or a proportion row makes another job).
  bool cutFor(const PathModel& path) const;
  const std::vector<RecordedStretch>& surfaces() const { return surfaces_.shown; }
  const std::vector<RecordedStretch>& intervals() const { return intervals_.shown; }
  // The path cut into kProfileBins equal stretches (none for a path of no length).
  const std::vector<RecordedStretch>& profile() const { return profile_.shown; }
  const std::vector<RecordedAlarm>& alarms() const { return alarms_; }
  long long alarmsNotKept() const { return alarmsNotKept_; }
  // What the pumps delivered while the paint they pumped could only reach beyond the path's end:
  // it stays in the hose and the roller when the wall is finished.
  const RecordedStretch& beyondEnd() const { return beyondEnd_; }
  std::int64_t milliseconds() const { return last_.milliseconds; }
  // The pulses lost during the run, where they are known (0 expected).
  std::optional<std::uint64_t> pulsesLost() const;
  // The whole run: every surface summed.
  RecordedStretch totals() const;
  // Bytes the record holds, for the soak's memory figure.
  std::size_t memoryBytes() const;

  // Everything the record holds, for the job history to keep: plain ASCII text, one item a line,
  // its format's version on the first line; every figure written so that it reads back to the
  // same bits.
  std::string stored() const;
  // The record kept in those bytes, showing what it showed when it was kept. Recorded further, it
  // measures what the plan asks anew from its next tick, as after a change of proportions. Any
  // bytes may be given: those that hold no record (damaged, cut short, a later format) or more
  // than a record holds (more than kMaxSurfaces surfaces or kProfileBins bins of profile) throw
  // StoredRecordError, saying what is wrong, in French.
  static JobRecord fromStored(std::string_view bytes);
  // The version of the format stored() writes.
  static constexpr int kStoredVersion = 1;

 private:
  std::optional<std::uint64_t> pulsesLostAtStart_;
  // How far along a stretch the anticipated distance has gone without turning back: what the plan
  // asks there is the difference of the path's litres at the two ends, not a sum of small steps,
  // so that a long run does not drift. A turn back banks it and starts another.
  struct Covered {
    bool open = false;
    float from = 0, to = 0;
    Litres litresAtFrom, dosedAtFrom;
    double bankedP1 = 0, bankedP2 = 0, bankedDosedP1 = 0, bankedDosedP2 = 0;
  };
  struct Stretches {
    std::vector<RecordedStretch> shown;
    std::vector<Covered> asked;
  };
  // A piece [from, to) of the path the roller has painted.
  struct CoveredPiece {
    float from = 0, to = 0;
  };

  static Stretches cut(const std::vector<float>& bounds);
  // What the plan and the dosing asked of the stretches the anticipated distance went over.
  static void advanceAsked(Stretches& stretches, float from, float to, const PathModel& path, bool ledMix);
  // Adds [from, to) to the painted pieces; the gap filled to keep them bounded, if one was.
  std::optional<CoveredPiece> addCover(float from, float to);
  // The painted length and area of the stretches that [from, to] touches, from the pieces.
  void showPainted(Stretches& stretches, float from, float to, const PathModel& path) const;
  static std::size_t at(const Stretches& stretches, float x);
  static void addDelivered(RecordedStretch& stretch, const JobTick& tick, long long p1, long long p2);
  void followAlarms(const JobTick& tick);

  bool started_ = false;
  std::vector<float> surfaceEnds_, proportionDistances_;  // the path it was cut for
  JobTick last_;
  Stretches surfaces_, intervals_, profile_;
  std::vector<CoveredPiece> cover_;  // sorted, disjoint, not touching
  std::pair<unsigned long long, float> litresKey_{};  // the path's litres the open runs were asked from
  std::vector<RecordedAlarm> alarms_;
  RecordedStretch beyondEnd_;
  std::array<int, kAlarmCount> latest_{};  // index in alarms_ + 1 of each alarm's last entry, 0 none
  long long alarmsNotKept_ = 0;
};

}  // namespace chromaflow
