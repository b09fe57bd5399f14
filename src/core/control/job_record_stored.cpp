// The job record kept whole as text, and read back (JobRecord::stored, JobRecord::fromStored).
//
//   chromaflow-job-record 1
//   started 1
//   tick <ms> <distance> <anticipated> <pulses P1> <pulses P2> <pulses/l P1> <pulses/l P2>
//        <correction> <led mix 0|1> <alarms, 8 digits 0|1> <pulses lost or ->
//   lost-at-start <n or ->
//   path <n> <surface ends...>
//   proportions <n> <distances...>
//   litres-key <revision> <thickness>
//   surfaces <n>, intervals <n>, profile <n>: then one "s ..." line per stretch (kMaxSurfaces
//        surfaces and kProfileBins bins of profile at most)
//   beyond s ...
//   cover <n>: then one "c <from> <to>" line per painted piece
//   alarms <n> <not kept>: then one "a <alarm> <start ms> <start m> <duration ms> <raisings>
//        <standing>" line per alarm
//   latest <8 entries>
//   end
//
// Reals are written in their shortest form that reads back to the same bits. The reader takes
// any bytes: every count is checked against what is left before anything is reserved, and
// everything the record later relies on (stretches in order along the path, the painted pieces
// apart, each alarm's entry within the list) is checked before the record is given out.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/control/job_record.h"
#include "core/control/stored_words.h"
#include "core/plan/plan.h"

namespace chromaflow {
namespace {

constexpr std::string_view kMagic = "chromaflow-job-record";

template <typename T>
void put(std::string& out, T value) {
  putNumber(out, value);
}

void putStretch(std::string& out, const RecordedStretch& s) {
  out += "s";
  for (float v : {s.from, s.to, s.distancePainted, s.areaPainted}) out += ' ', put(out, v);
  for (double v : {s.askedP1, s.askedP2, s.dosedP1, s.dosedP2, s.deliveredP1, s.deliveredP2}) out += ' ', put(out, v);
  for (long long v : {s.pulsesP1, s.pulsesP2}) out += ' ', put(out, v);
  out += ' ', put(out, s.correctionSum);
  out += ' ', put(out, s.correctionTicks);
  out += '\n';
}

void putOptional(std::string& out, const std::optional<std::uint64_t>& value) {
  if (value)
    put(out, *value);
  else
    out += '-';
}

constexpr const char* kWhat = "Relevé de chantier";

// The words of the stored text, one after the other; any fault throws StoredRecordError.
struct Words : StoredWords {
  explicit Words(std::string_view bytes) : StoredWords(bytes, kWhat) {}
  [[noreturn]] static void fail(const std::string& why) { StoredWords({}, kWhat).fail(why); }
};

RecordedStretch readStretch(Words& words) {
  words.expect("s");
  RecordedStretch s;
  s.from = words.number<float>();
  s.to = words.number<float>();
  s.distancePainted = words.number<float>();
  s.areaPainted = words.number<float>();
  for (double* v : {&s.askedP1, &s.askedP2, &s.dosedP1, &s.dosedP2, &s.deliveredP1, &s.deliveredP2})
    *v = words.number<double>();
  s.pulsesP1 = words.number<long long>();
  s.pulsesP2 = words.number<long long>();
  s.correctionSum = words.number<double>();
  s.correctionTicks = words.number<long long>();
  return s;
}

std::vector<float> readFloats(Words& words) {
  std::vector<float> values(words.count(2));
  for (float& v : values) v = words.number<float>();
  return values;
}

// Stretches one after the other along the path, as the record looks them up.
void checkInOrder(const std::vector<RecordedStretch>& stretches) {
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    const RecordedStretch& s = stretches[i];
    if (!std::isfinite(s.from) || !std::isfinite(s.to) || s.to < s.from || (i > 0 && s.from < stretches[i - 1].from))
      Words::fail("des tronçons hors de l'ordre du chemin");
  }
}

}  // namespace

std::string JobRecord::stored() const {
  std::string out(kMagic);
  out += ' ', put(out, kStoredVersion), out += '\n';
  out += "started ", put(out, started_ ? 1 : 0), out += '\n';
  out += "tick ", put(out, last_.milliseconds);
  for (float v : {last_.distance, last_.anticipatedDistance}) out += ' ', put(out, v);
  for (long long v : {last_.pulsesP1, last_.pulsesP2}) out += ' ', put(out, v);
  for (int v : {last_.pulsesPerLitreP1, last_.pulsesPerLitreP2}) out += ' ', put(out, v);
  out += ' ', put(out, last_.correction);
  out += last_.ledMix ? " 1 " : " 0 ";
  for (bool alarm : last_.alarms) out += alarm ? '1' : '0';
  out += ' ', putOptional(out, last_.pulsesLost), out += '\n';
  out += "lost-at-start ", putOptional(out, pulsesLostAtStart_), out += '\n';
  for (const auto& [name, values] : {std::pair{"path", &surfaceEnds_}, std::pair{"proportions", &proportionDistances_}}) {
    out += name, out += ' ', put(out, values->size());
    for (float v : *values) out += ' ', put(out, v);
    out += '\n';
  }
  out += "litres-key ", put(out, litresKey_.first), out += ' ', put(out, litresKey_.second), out += '\n';
  for (const auto& [name, stretches] :
       {std::pair{"surfaces", &surfaces_}, std::pair{"intervals", &intervals_}, std::pair{"profile", &profile_}}) {
    out += name, out += ' ', put(out, stretches->shown.size()), out += '\n';
    for (const RecordedStretch& s : stretches->shown) putStretch(out, s);
  }
  out += "beyond ", putStretch(out, beyondEnd_);
  out += "cover ", put(out, cover_.size()), out += '\n';
  for (const CoveredPiece& piece : cover_) out += "c ", put(out, piece.from), out += ' ', put(out, piece.to), out += '\n';
  out += "alarms ", put(out, alarms_.size()), out += ' ', put(out, alarmsNotKept_), out += '\n';
  for (const RecordedAlarm& a : alarms_) {
    out += "a ", put(out, static_cast<int>(a.alarm));
    out += ' ', put(out, a.startMilliseconds);
    out += ' ', put(out, a.startDistance);
    out += ' ', put(out, a.durationMilliseconds);
    out += ' ', put(out, a.raisings);
    out += a.standing ? " 1\n" : " 0\n";
  }
  out += "latest";
  for (int latest : latest_) out += ' ', put(out, latest);
  out += "\nend\n";
  return out;
}

JobRecord JobRecord::fromStored(std::string_view bytes) {
  Words words(bytes);
  if (words.next() != kMagic) Words::fail("ce n'est pas un relevé de chantier");
  const int version = words.number<int>();
  if (version > kStoredVersion)
    Words::fail("il est de la version " + std::to_string(version) + " du format, plus récente que la version " +
                std::to_string(kStoredVersion) + " que ce programme connaît");
  if (version < 1) Words::fail("version de format inconnue");

  JobRecord record;
  words.expect("started");
  record.started_ = words.flag();
  words.expect("tick");
  JobTick& last = record.last_;
  last.milliseconds = words.number<std::int64_t>();
  last.distance = words.number<float>();
  last.anticipatedDistance = words.number<float>();
  last.pulsesP1 = words.number<long long>();
  last.pulsesP2 = words.number<long long>();
  last.pulsesPerLitreP1 = words.number<int>();
  last.pulsesPerLitreP2 = words.number<int>();
  last.correction = words.number<float>();
  last.ledMix = words.flag();
  const std::string_view alarms = words.next();
  if (alarms.size() != last.alarms.size() || alarms.find_first_not_of("01") != std::string_view::npos)
    Words::fail("l'état des alarmes est illisible");
  for (std::size_t i = 0; i < alarms.size(); ++i) last.alarms[i] = alarms[i] == '1';
  last.pulsesLost = words.optional();
  words.expect("lost-at-start");
  record.pulsesLostAtStart_ = words.optional();
  words.expect("path");
  record.surfaceEnds_ = readFloats(words);
  words.expect("proportions");
  record.proportionDistances_ = readFloats(words);
  words.expect("litres-key");
  record.litresKey_.first = words.number<unsigned long long>();
  record.litresKey_.second = words.number<float>();

  for (const auto& [name, stretches] : {std::pair{"surfaces", &record.surfaces_},
                                        std::pair{"intervals", &record.intervals_}, std::pair{"profile", &record.profile_}}) {
    words.expect(name);
    // A stretch's line holds fifteen words: thirty bytes at least. A record cuts its path into one
    // stretch per surface of the plan, kMaxSurfaces at most, and kProfileBins bins of profile
    // whatever the plan: a record of more was not kept by this program. Refused with what it
    // holds, so that another machine's job never makes the report judge and show more than a
    // record can hold.
    std::size_t count = 0;
    if (stretches == &record.surfaces_)
      count = words.count(30, kMaxSurfaces, [](unsigned long long n) {
        return "il compte " + std::to_string(n) + " surfaces, un plan en tient " + std::to_string(kMaxSurfaces) +
               " au plus";
      });
    else if (stretches == &record.profile_)
      count = words.count(30, kProfileBins, [](unsigned long long n) {
        return "son profil compte " + std::to_string(n) + " tranches, un relevé en tient " +
               std::to_string(kProfileBins) + " au plus";
      });
    else
      count = words.count(30);
    stretches->shown.resize(count);
    for (RecordedStretch& s : stretches->shown) s = readStretch(words);
    checkInOrder(stretches->shown);
    // Nothing is being measured: the next tick starts measuring anew.
    stretches->asked.assign(stretches->shown.size(), Covered{});
  }
  words.expect("beyond");
  record.beyondEnd_ = readStretch(words);

  words.expect("cover");
  record.cover_.resize(words.count(6, kMaxCoverPieces));
  for (std::size_t i = 0; i < record.cover_.size(); ++i) {
    words.expect("c");
    CoveredPiece& piece = record.cover_[i];
    piece.from = words.number<float>();
    piece.to = words.number<float>();
    // Sorted, apart and not touching, as addCover keeps them.
    if (!std::isfinite(piece.from) || !std::isfinite(piece.to) || piece.to < piece.from ||
        (i > 0 && piece.from <= record.cover_[i - 1].to))
      Words::fail("des morceaux peints qui se chevauchent");
  }

  words.expect("alarms");
  record.alarms_.resize(words.count(14, kMaxAlarms));
  record.alarmsNotKept_ = words.number<long long>();
  for (RecordedAlarm& a : record.alarms_) {
    words.expect("a");
    const int alarm = words.number<int>();
    if (alarm < 0 || alarm >= kAlarmCount) Words::fail("une alarme inconnue");
    a.alarm = static_cast<Alarm>(alarm);
    a.startMilliseconds = words.number<std::int64_t>();
    a.startDistance = words.number<float>();
    a.durationMilliseconds = words.number<std::int64_t>();
    a.raisings = words.number<int>();
    a.standing = words.flag();
  }
  words.expect("latest");
  for (int& latest : record.latest_) {
    latest = words.number<int>();
    if (latest < 0 || static_cast<std::size_t>(latest) > record.alarms_.size())
      Words::fail("une alarme hors de la liste");
  }
  words.expect("end");
  if (!words.atEnd()) Words::fail("des octets suivent sa fin");
  return record;
}

}  // namespace chromaflow
