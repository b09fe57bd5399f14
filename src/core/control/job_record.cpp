#include "core/control/job_record.h"

#include <algorithm>

namespace chromaflow {
namespace {

double share(double p1, double p2) { return p1 + p2 > 0 ? 100.0 * p2 / (p1 + p2) : -1.0; }

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
  stretches.painted.resize(stretches.shown.size());
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
      bounds.push_back(i == kProfileBins ? length : length * static_cast<float>(i) / kProfileBins);
  profile_ = cut(bounds);

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

void JobRecord::advance(Stretches& stretches, float from, float to, const PathModel& path, bool painted,
                        bool ledMix) {
  auto& covered = painted ? stretches.painted : stretches.asked;
  if (stretches.shown.empty() || to == from) return;
  if (to < from) {
    // Turned back: what follows covers the stretches again, as new paint.
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
      // A new stretch of coverage: what the last one covered is kept.
      c.bankedP1 = s.askedP1;
      c.bankedP2 = s.askedP2;
      c.bankedDosedP1 = s.dosedP1;
      c.bankedDosedP2 = s.dosedP2;
      c.bankedLength = s.distancePainted;
      c.bankedArea = s.areaPainted;
      c.open = true;
      c.from = a;
      if (painted)
        c.areaAtFrom = path.AreaAtDistance(a);
      else {
        c.litresAtFrom = path.LitresUpTo(a);
        c.dosedAtFrom = ledMix ? path.LedLitresUpTo(a) : c.litresAtFrom;
      }
    }
    c.to = b;
    if (painted) {
      s.distancePainted = static_cast<float>(c.bankedLength + (b - c.from));
      s.areaPainted = static_cast<float>(c.bankedArea + (path.AreaAtDistance(b) - c.areaAtFrom));
    } else {
      const Litres upTo = path.LitresUpTo(b);
      s.askedP1 = c.bankedP1 + (static_cast<double>(upTo.P1) - c.litresAtFrom.P1);
      s.askedP2 = c.bankedP2 + (static_cast<double>(upTo.P2) - c.litresAtFrom.P2);
      const Litres dosedUpTo = ledMix ? path.LedLitresUpTo(b) : upTo;
      s.dosedP1 = c.bankedDosedP1 + (static_cast<double>(dosedUpTo.P1) - c.dosedAtFrom.P1);
      s.dosedP2 = c.bankedDosedP2 + (static_cast<double>(dosedUpTo.P2) - c.dosedAtFrom.P2);
    }
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
  for (Stretches* stretches : {&surfaces_, &intervals_, &profile_}) {
    // The lead turned on or off: what the dosing asks is measured from here by the other rule.
    if (tick.ledMix != last_.ledMix)
      for (Covered& c : stretches->asked) c.open = false;
    advance(*stretches, last_.anticipatedDistance, tick.anticipatedDistance, path, false, tick.ledMix);
    advance(*stretches, last_.distance, tick.distance, path, true);
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
    bytes += s->shown.capacity() * sizeof(RecordedStretch) + (s->asked.capacity() + s->painted.capacity()) * sizeof(Covered);
  return bytes;
}

}  // namespace chromaflow
