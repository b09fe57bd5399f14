#include "core/control/job_record.h"

#include <algorithm>
#include <cmath>

namespace chromaflow {
namespace {

double share(double p1, double p2) { return p1 + p2 > 0 ? 100.0 * p2 / (p1 + p2) : -1.0; }

// The litres between two points of the path, the second further along. A thickness of paint no
// 32-bit real holds (1e38 l/m² typed in the settings) makes both ends infinite: such a stretch is
// asked nothing countable. On a wall of millions of m² the 32-bit litres at a surface's end may
// come out a last bit above the next point's: never less than nothing.
double litresBetween(float from, float to) {
  const double litres = static_cast<double>(to) - from;
  return std::isfinite(litres) ? std::max(0.0, litres) : 0;
}

}  // namespace

void RecordedStretch::extendBy(const RecordedStretch& next) {
  to = next.to;
  distancePainted += next.distancePainted;
  areaPainted += next.areaPainted;
  askedP1 += next.askedP1;
  askedP2 += next.askedP2;
  dosedP1 += next.dosedP1;
  dosedP2 += next.dosedP2;
  deliveredP1 += next.deliveredP1;
  deliveredP2 += next.deliveredP2;
  pulsesP1 += next.pulsesP1;
  pulsesP2 += next.pulsesP2;
  correctionSum += next.correctionSum;
  correctionTicks += next.correctionTicks;
}

double RecordedStretch::askedProportion() const { return share(askedP1, askedP2); }
double RecordedStretch::laidProportion() const { return share(deliveredP1, deliveredP2); }
double RecordedStretch::dosedProportion() const { return share(dosedP1, dosedP2); }

JobRecord::Stretches JobRecord::cut(const std::vector<float>& bounds) {
  Stretches stretches;
  stretches.shown.reserve(bounds.size());  // 400 stretches of the profile: one allocation
  for (std::size_t i = 1; i < bounds.size(); ++i) {
    RecordedStretch stretch;
    stretch.from = bounds[i - 1];
    stretch.to = bounds[i];
    stretches.shown.push_back(stretch);
  }
  stretches.asked.resize(stretches.shown.size());
  return stretches;
}

void JobRecord::restart(const PathModel& path, const JobTick& start) {
  const PathTables& tables = path.tables();
  const float length = tables.CL.empty() ? 0.0f : tables.CL.back();

  std::vector<float> bounds{0.0f};
  bounds.insert(bounds.end(), tables.CL.begin(), tables.CL.end());
  surfaces_ = cut(tables.CL.empty() ? std::vector<float>{} : bounds);

  bounds.assign({0.0f});
  for (float d : tables.D)
    if (d > 0 && d < length) bounds.push_back(d);
  bounds.push_back(length);
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  intervals_ = cut(length > 0 ? bounds : std::vector<float>{});

  bounds.clear();
  if (length > 0)
    for (int i = 0; i <= kProfileBins; ++i)
      // In double: a wall near the largest 32-bit length would overflow before the division.
      bounds.push_back(i == kProfileBins ? length : static_cast<float>(static_cast<double>(length) * i / kProfileBins));
  profile_ = cut(bounds);

  cover_.clear();
  litresKey_ = path.litresKey();
  surfaceEnds_ = tables.CL;
  proportionDistances_ = tables.D;
  beyondEnd_ = RecordedStretch{};
  beyondEnd_.from = beyondEnd_.to = length;
  alarms_.clear();
  latest_.fill(0);
  alarmsNotKept_ = 0;
  last_ = start;
  last_.alarms.fill(false);
  pulsesLostAtStart_ = start.pulsesLost;
  started_ = true;
  followAlarms(start);
  last_ = start;
}

bool JobRecord::cutFor(const PathModel& path) const {
  const PathTables& tables = path.tables();
  return started_ && tables.CL == surfaceEnds_ && tables.D == proportionDistances_;
}

std::size_t JobRecord::at(const Stretches& stretches, float x) {
  const auto& shown = stretches.shown;
  const auto after = std::upper_bound(shown.begin(), shown.end(), x,
                                      [](float v, const RecordedStretch& s) { return v < s.from; });
  return after == shown.begin() ? 0 : static_cast<std::size_t>(after - shown.begin() - 1);
}

void JobRecord::advanceAsked(Stretches& stretches, float from, float to, const PathModel& path, bool ledMix) {
  auto& covered = stretches.asked;
  if (stretches.shown.empty() || to == from) return;
  if (to < from) {
    // Turned back: the paint pumped from there on is asked for those stretches again.
    for (Covered& c : covered) c.open = false;
    return;
  }
  for (std::size_t k = at(stretches, from); k < stretches.shown.size(); ++k) {
    RecordedStretch& s = stretches.shown[k];
    if (s.from >= to) break;
    const float a = std::max(from, s.from), b = std::min(to, s.to);
    if (b <= a) continue;
    Covered& c = covered[k];
    if (!c.open || c.to != a) {
      // A new stretch of coverage: what the last one asked is kept.
      c.bankedP1 = s.askedP1;
      c.bankedP2 = s.askedP2;
      c.bankedDosedP1 = s.dosedP1;
      c.bankedDosedP2 = s.dosedP2;
      c.open = true;
      c.from = a;
      c.litresAtFrom = path.LitresUpTo(a);
      c.dosedAtFrom = ledMix ? path.LedLitresUpTo(a) : c.litresAtFrom;
    }
    c.to = b;
    const Litres upTo = path.LitresUpTo(b);
    s.askedP1 = c.bankedP1 + litresBetween(c.litresAtFrom.P1, upTo.P1);
    s.askedP2 = c.bankedP2 + litresBetween(c.litresAtFrom.P2, upTo.P2);
    const Litres dosedUpTo = ledMix ? path.LedLitresUpTo(b) : upTo;
    s.dosedP1 = c.bankedDosedP1 + litresBetween(c.dosedAtFrom.P1, dosedUpTo.P1);
    s.dosedP2 = c.bankedDosedP2 + litresBetween(c.dosedAtFrom.P2, dosedUpTo.P2);
  }
}

std::optional<JobRecord::CoveredPiece> JobRecord::addCover(float from, float to) {
  // The pieces that end at or after `from` and start at or before `to` merge with it.
  auto first = std::lower_bound(cover_.begin(), cover_.end(), from,
                                [](const CoveredPiece& piece, float x) { return piece.to < x; });
  auto last = first;
  while (last != cover_.end() && last->from <= to) ++last;
  if (first == last) {
    cover_.insert(first, {from, to});
  } else {
    first->from = std::min(first->from, from);
    first->to = std::max((last - 1)->to, to);
    cover_.erase(first + 1, last);
  }
  if (cover_.size() <= kMaxCoverPieces) return std::nullopt;
  // Bounded whatever the operator does: the narrowest gap counts as painted.
  std::size_t narrowest = 1;
  for (std::size_t i = 2; i < cover_.size(); ++i)
    if (cover_[i].from - cover_[i - 1].to < cover_[narrowest].from - cover_[narrowest - 1].to) narrowest = i;
  const CoveredPiece gap{cover_[narrowest - 1].to, cover_[narrowest].from};
  cover_[narrowest - 1].to = cover_[narrowest].to;
  cover_.erase(cover_.begin() + static_cast<std::ptrdiff_t>(narrowest));
  return gap;
}

void JobRecord::showPainted(Stretches& stretches, float from, float to, const PathModel& path) const {
  for (std::size_t k = at(stretches, from); k < stretches.shown.size(); ++k) {
    RecordedStretch& s = stretches.shown[k];
    if (s.from > to) break;
    // The painted pieces within the stretch, each measured from its two ends: no drift in a long run.
    double length = 0, area = 0;
    auto piece = std::lower_bound(cover_.begin(), cover_.end(), s.from,
                                  [](const CoveredPiece& p, float x) { return p.to <= x; });
    for (; piece != cover_.end() && piece->from < s.to; ++piece) {
      const float a = std::max(piece->from, s.from), b = std::min(piece->to, s.to);
      if (b <= a) continue;
      length += static_cast<double>(b) - a;
      // Interpolated in 32 bits, a surface's end may come out a quarter of a m² above the next
      // surface's start on a wall of millions of m²: a piece never paints less than nothing.
      area += std::max(0.0, static_cast<double>(path.AreaAtDistance(b)) - path.AreaAtDistance(a));
    }
    s.distancePainted = static_cast<float>(length);
    s.areaPainted = static_cast<float>(area);
  }
}

void JobRecord::addDelivered(RecordedStretch& s, const JobTick& tick, long long p1, long long p2) {
  s.pulsesP1 += p1;
  s.pulsesP2 += p2;
  if (tick.pulsesPerLitreP1 > 0) s.deliveredP1 += static_cast<double>(p1) / tick.pulsesPerLitreP1;
  if (tick.pulsesPerLitreP2 > 0) s.deliveredP2 += static_cast<double>(p2) / tick.pulsesPerLitreP2;
  s.correctionSum += tick.correction;
  ++s.correctionTicks;
}

std::optional<std::uint64_t> JobRecord::pulsesLost() const {
  // Known only since the machine began telling: from nothing lost then.
  if (!last_.pulsesLost) return std::nullopt;
  return *last_.pulsesLost - std::min(*last_.pulsesLost, pulsesLostAtStart_.value_or(0));
}

void JobRecord::record(const JobTick& tick, const PathModel& path) {
  if (!started_) restart(path, tick);
  // Other proportions or another thickness of paint, or the lead turned on or off: what each
  // stretch was asked so far is kept, and the litres asked from here on are measured anew.
  if (const auto key = path.litresKey(); key != litresKey_ || tick.ledMix != last_.ledMix) {
    litresKey_ = key;
    for (Stretches* stretches : {&surfaces_, &intervals_, &profile_})
      for (Covered& c : stretches->asked) c.open = false;
  }
  for (Stretches* stretches : {&surfaces_, &intervals_, &profile_})
    advanceAsked(*stretches, last_.anticipatedDistance, tick.anticipatedDistance, path, tick.ledMix);
  // A stretch painted twice (the distance set back, then painted again) is painted once: its
  // painted length and area are those of the path the roller covered.
  const float length = surfaceEnds_.empty() ? 0.0f : surfaceEnds_.back();
  const float from = std::max(last_.distance, 0.0f), to = std::min(tick.distance, length);
  if (to > from) {
    const auto filled = addCover(from, to);
    for (Stretches* stretches : {&surfaces_, &intervals_, &profile_}) {
      showPainted(*stretches, from, to, path);
      if (filled) showPainted(*stretches, filled->from, filled->to, path);
    }
  }
  // A counter that went back was reset: nothing was pumped by it this tick.
  const long long p1 = std::max(0LL, tick.pulsesP1 - last_.pulsesP1);
  const long long p2 = std::max(0LL, tick.pulsesP2 - last_.pulsesP2);
  if (p1 > 0 || p2 > 0) {
    if (surfaces_.shown.empty() || tick.anticipatedDistance >= surfaces_.shown.back().to) {
      addDelivered(beyondEnd_, tick, p1, p2);
    } else {
      for (Stretches* stretches : {&surfaces_, &intervals_, &profile_})
        if (!stretches->shown.empty())
          addDelivered(stretches->shown[at(*stretches, tick.anticipatedDistance)], tick, p1, p2);
    }
  }
  followAlarms(tick);
  last_ = tick;
}

void JobRecord::followAlarms(const JobTick& tick) {
  for (int i = 0; i < kAlarmCount; ++i) {
    const bool was = last_.alarms[i], is = tick.alarms[i];
    int& latest = latest_[i];
    RecordedAlarm* entry = latest ? &alarms_[static_cast<std::size_t>(latest - 1)] : nullptr;
    if (is && !was) {
      if (entry && tick.milliseconds - (entry->startMilliseconds + entry->durationMilliseconds) <= kAlarmGapMilliseconds) {
        ++entry->raisings;
      } else if (alarms_.size() < kMaxAlarms) {
        // Grown by doubling up to the bound, never past it.
        if (alarms_.size() == alarms_.capacity())
          alarms_.reserve(std::min(kMaxAlarms, std::max<std::size_t>(16, 2 * alarms_.capacity())));
        alarms_.push_back({static_cast<Alarm>(i), tick.milliseconds, tick.distance, 0, 1, true});
        latest = static_cast<int>(alarms_.size());
        entry = &alarms_.back();
      } else {
        ++alarmsNotKept_;
        latest = 0;
        continue;
      }
      entry->standing = true;
    }
    if (!entry || !entry->standing) continue;
    entry->durationMilliseconds = tick.milliseconds - entry->startMilliseconds;
    if (!is) entry->standing = false;
  }
}

RecordedStretch JobRecord::totals() const {
  RecordedStretch total;
  if (!surfaces_.shown.empty()) total.from = total.to = surfaces_.shown.front().from;
  for (const RecordedStretch& s : surfaces_.shown) total.extendBy(s);
  return total;
}

std::size_t JobRecord::memoryBytes() const {
  std::size_t bytes = sizeof(*this) + alarms_.capacity() * sizeof(RecordedAlarm) +
                      (surfaceEnds_.capacity() + proportionDistances_.capacity()) * sizeof(float);
  for (const Stretches* s : {&surfaces_, &intervals_, &profile_})
    bytes += s->shown.capacity() * sizeof(RecordedStretch) + s->asked.capacity() * sizeof(Covered);
  return bytes + cover_.capacity() * sizeof(CoveredPiece);
}

}  // namespace chromaflow
