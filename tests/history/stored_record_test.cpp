// The job record kept as text and read back: every figure the report shows comes back to the
// bit, a record read back can be recorded further, and bytes that hold no record are refused
// with a reason, whatever they are.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "core/control/job_record.h"
#include "core/control/job_record_csv.h"
#include "core/control/job_verdict.h"
#include "core/control/path_model.h"
#include "core/history/stored_job.h"
#include "sim/harness/simulation.h"

namespace chromaflow {
namespace {

const std::string kExample = std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv";

// Every field, bit for bit (a NaN equal to itself).
void expectSame(const RecordedStretch& a, const RecordedStretch& b, const std::string& where) {
  EXPECT_EQ(std::memcmp(&a.from, &b.from, sizeof a.from), 0) << where;
  EXPECT_EQ(std::memcmp(&a.to, &b.to, sizeof a.to), 0) << where;
  EXPECT_EQ(a.distancePainted, b.distancePainted) << where;
  EXPECT_EQ(a.areaPainted, b.areaPainted) << where;
  EXPECT_EQ(a.askedP1, b.askedP1) << where;
  EXPECT_EQ(a.askedP2, b.askedP2) << where;
  EXPECT_EQ(a.dosedP1, b.dosedP1) << where;
  EXPECT_EQ(a.dosedP2, b.dosedP2) << where;
  EXPECT_EQ(a.deliveredP1, b.deliveredP1) << where;
  EXPECT_EQ(a.deliveredP2, b.deliveredP2) << where;
  EXPECT_EQ(a.pulsesP1, b.pulsesP1) << where;
  EXPECT_EQ(a.pulsesP2, b.pulsesP2) << where;
  EXPECT_EQ(a.correctionSum, b.correctionSum) << where;
  EXPECT_EQ(a.correctionTicks, b.correctionTicks) << where;
}

void expectSame(const std::vector<RecordedStretch>& a, const std::vector<RecordedStretch>& b, const char* cut) {
  ASSERT_EQ(a.size(), b.size()) << cut;
  for (std::size_t i = 0; i < a.size(); ++i) expectSame(a[i], b[i], std::string(cut) + " " + std::to_string(i));
}

void expectSameRecord(const JobRecord& kept, const JobRecord& read) {
  EXPECT_EQ(read.started(), kept.started());
  expectSame(read.surfaces(), kept.surfaces(), "surface");
  expectSame(read.intervals(), kept.intervals(), "interval");
  expectSame(read.profile(), kept.profile(), "bin");
  expectSame(read.beyondEnd(), kept.beyondEnd(), "hose");
  ASSERT_EQ(read.alarms().size(), kept.alarms().size());
  for (std::size_t i = 0; i < kept.alarms().size(); ++i) {
    const RecordedAlarm &a = read.alarms()[i], &b = kept.alarms()[i];
    EXPECT_EQ(std::tuple(a.alarm, a.startMilliseconds, a.startDistance, a.durationMilliseconds, a.raisings, a.standing),
              std::tuple(b.alarm, b.startMilliseconds, b.startDistance, b.durationMilliseconds, b.raisings, b.standing))
        << "alarm " << i;
  }
  EXPECT_EQ(read.alarmsNotKept(), kept.alarmsNotKept());
  EXPECT_EQ(read.milliseconds(), kept.milliseconds());
  EXPECT_EQ(read.pulsesLost(), kept.pulsesLost());
  // What the report, the CSV and the job sheet make of it.
  EXPECT_EQ(jobRecordCsvLines(read), jobRecordCsvLines(kept));
  EXPECT_EQ(judgeJob(read, 2), judgeJob(kept, 2));
  EXPECT_EQ(judgeJob(read, 0.5), judgeJob(kept, 0.5));
  EXPECT_EQ(read.stored(), kept.stored());
}

TEST(StoredRecord, AFaultyRunOnTheSimulatedMachineReadsBackFigureForFigure) {
  // P1 a tenth fast from the 30th second, P2 stopped for a while, the correction off: alarms
  // raised and cleared, a profile off the plan, paint left in the hose.
  sim::Simulation simulation;
  simulation.openProject(kExample);
  simulation.session().enterCorrectionParameter(CorrectionParameter::PCorrectMaxPct, "0");
  simulation.start();
  simulation.startMachine({.faults = {{sim::MachineFault::Target::P1, 1.1, 30},
                                      {sim::MachineFault::Target::P2, 0, 60},
                                      {sim::MachineFault::Target::P2, 1, 64}}});
  while (!simulation.machineFinished()) simulation.tick();
  const JobRecord& record = simulation.session().jobRecord();
  ASSERT_GE(record.alarms().size(), 2u);
  ASSERT_GT(record.beyondEnd().deliveredP1, 0);
  ASSERT_FALSE(judgeJob(record, 2).withinTolerance);

  const std::string bytes = record.stored();
  EXPECT_EQ(bytes.rfind("chromaflow-job-record 1\n", 0), 0u);
  EXPECT_EQ(bytes.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-+.e \n"), std::string::npos)
      << "plain ASCII, whatever the locale";
  EXPECT_LT(bytes.size(), 100'000u);
  expectSameRecord(record, JobRecord::fromStored(bytes));
}

TEST(StoredRecord, ARecordNeverStartedAndOneOfNoPathReadBack) {
  const JobRecord blank;
  expectSameRecord(blank, JobRecord::fromStored(blank.stored()));

  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  JobRecord empty;
  empty.restart(path, JobTick{.pulsesPerLitreP1 = 220});
  empty.record(JobTick{.milliseconds = 20, .pulsesP1 = 3, .pulsesPerLitreP1 = 220}, path);
  expectSameRecord(empty, JobRecord::fromStored(empty.stored()));
}

// A record fed tick by tick on a wall of 2 × 20 m, the roller a metre behind the paint pumped.
struct FedRecord : ::testing::Test {
  SettingsDocument settings;
  ColourTable colours;
  Plan plan{colours};
  PathModel path{plan, settings};
  JobTick tick{.pulsesPerLitreP1 = 220, .pulsesPerLitreP2 = 220};

  FedRecord() {
    plan.appendSurface({2, 10});
    plan.appendSurface({2, 10});
    plan.RecomputeSurfaces();
    plan.appendProportion("0.00", 20);
    plan.appendProportion("12.00", 70);
    plan.RefreshProportions();
  }
  // One tick further: `step` metres on, pulses for 0.14 l/m², `alarm` standing or not.
  JobTick next(float step, bool alarm, std::uint64_t lost) {
    tick.milliseconds += 20;
    tick.anticipatedDistance += step;
    tick.distance = std::max(0.0f, tick.anticipatedDistance - 1);
    tick.pulsesP1 += 3;
    tick.pulsesP2 += tick.milliseconds % 60 == 0 ? 2 : 1;
    tick.alarms[static_cast<int>(Alarm::P2Lente)] = alarm;
    tick.pulsesLost = lost;
    return tick;
  }
};

TEST_F(FedRecord, ARecordReadBackGoesOnAsTheOneKept) {
  JobRecord kept;
  tick.pulsesLost = 4;
  kept.restart(path, tick);
  for (int i = 0; i < 500; ++i) kept.record(next(0.02f, i % 150 < 40, 4 + i / 100), path);
  // Painted twice: the roller set back 3 m.
  tick.anticipatedDistance -= 3;
  for (int i = 0; i < 100; ++i) kept.record(next(0.02f, false, 9), path);
  ASSERT_EQ(kept.pulsesLost(), std::optional<std::uint64_t>(5));
  ASSERT_GE(kept.alarms().size(), 3u);

  JobRecord read = JobRecord::fromStored(kept.stored());
  expectSameRecord(kept, read);
  // The same ticks on to the end of the wall: the pulses, the painted path and the alarms
  // follow the kept record's exactly; what the plan asks is measured anew from the first of them,
  // so it agrees to the rounding of the path's litres.
  for (int i = 0; i < 700; ++i) {
    const JobTick t = next(0.02f, i % 50 < 20, 9 + i / 300);
    kept.record(t, path);
    read.record(t, path);
  }
  ASSERT_EQ(read.profile().size(), kept.profile().size());
  for (std::size_t k = 0; k < kept.profile().size(); ++k) {
    const RecordedStretch &a = read.profile()[k], &b = kept.profile()[k];
    EXPECT_EQ(a.pulsesP1, b.pulsesP1) << k;
    EXPECT_EQ(a.distancePainted, b.distancePainted) << k;
    EXPECT_NEAR(a.askedP1, b.askedP1, 1e-5) << k;
    EXPECT_NEAR(a.dosedP2, b.dosedP2, 1e-5) << k;
  }
  EXPECT_EQ(read.alarms().size(), kept.alarms().size());
  EXPECT_EQ(read.pulsesLost(), kept.pulsesLost());
  EXPECT_EQ(read.totals().areaPainted, kept.totals().areaPainted);
}

// The text with the first `word` (a whole line's start) replaced by `by`.
std::string replaced(std::string text, const std::string& word, const std::string& by) {
  const std::size_t at = text.find(word);
  EXPECT_NE(at, std::string::npos) << word;
  return text.replace(at, word.size(), by);
}

void expectRefused(const std::string& bytes, const std::string& why) {
  try {
    JobRecord::fromStored(bytes);
    ADD_FAILURE() << "read: " << why;
  } catch (const StoredRecordError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Relevé de chantier illisible : ", 0), 0u) << error.what();
    EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << error.what() << " (" << why << ")";
  }
}

TEST_F(FedRecord, BytesThatBreakWhatTheRecordReliesOnAreRefusedWithTheirReason) {
  JobRecord kept;
  kept.restart(path, tick);
  for (int i = 0; i < 300; ++i) kept.record(next(0.02f, i > 100 && i < 150, 0), path);
  const std::string good = kept.stored();
  ASSERT_NO_THROW(JobRecord::fromStored(good));

  expectRefused("", "avant sa fin");
  expectRefused("PK\3\4 zip", "ce n'est pas un relevé");
  expectRefused(replaced(good, "chromaflow-job-record 1", "chromaflow-job-record 2"), "version 2 du format");
  expectRefused(replaced(good, "surfaces 2", "surfaces 18446744073709551615"), "hors de ses limites");
  expectRefused(replaced(good, "profile 400", "profile 4000000000"), "hors de ses limites");
  expectRefused(replaced(good, "alarms 1 0", "alarms 10001 0"), "hors de ses limites");
  expectRefused(replaced(good, "\na 1 ", "\na 8 "), "une alarme inconnue");
  expectRefused(replaced(good, "latest 0 ", "latest 2 "), "une alarme hors de la liste");
  expectRefused(replaced(good, "\ns 0 10 ", "\ns 11 10 "), "hors de l'ordre du chemin");
  expectRefused(replaced(good, "\ns 0 10 ", "\ns nan 10 "), "hors de l'ordre du chemin");
  expectRefused(replaced(good, "started 1", "started 2"), "ni 0 ni 1");
  expectRefused(good.substr(0, good.size() - 4), "avant sa fin");
  expectRefused(good + "s 0", "des octets suivent sa fin");
}

TEST_F(FedRecord, MoreSurfacesOrProfileBinsThanARecordHoldsAreRefusedSayingSo) {
  JobRecord kept;
  kept.restart(path, tick);
  for (int i = 0; i < 300; ++i) kept.record(next(0.02f, false, 0), path);
  const std::string good = kept.stored();
  ASSERT_NO_THROW(JobRecord::fromStored(good));

  // A job from another machine on the shared history: 150,000 bins of profile (9.7 MB), where a
  // record cuts its path into 400 whatever the plan.
  const std::size_t profile = good.find("profile 400\n");
  ASSERT_NE(profile, std::string::npos);
  const std::size_t firstBin = profile + 12;
  const std::string bin = good.substr(firstBin, good.find('\n', firstBin) + 1 - firstBin);
  std::string huge = replaced(good, "profile 400\n", "profile 150000\n");
  std::string more;
  for (int i = 400; i < 150'000; ++i) more += bin;
  huge.insert(huge.find("beyond "), more);
  ASSERT_GT(huge.size(), 9'000'000u);
  expectRefused(huge, "son profil compte 150000 tranches, un relevé en tient 400 au plus");
  expectRefused(replaced(good, "profile 400\n", "profile 401\n"), "401 tranches");
  // A plan holds 100 surfaces.
  expectRefused(replaced(good, "surfaces 2\n", "surfaces 101\n"), "il compte 101 surfaces, un plan en tient 100 au plus");
}

TEST_F(FedRecord, AnyBytesAreReadOrRefusedNeverMore) {
  JobRecord kept;
  kept.restart(path, tick);
  for (int i = 0; i < 200; ++i) kept.record(next(0.02f, i > 20 && i < 40, 0), path);
  const std::string good = kept.stored();
  // Cut anywhere: refused, down to nothing.
  for (std::size_t size = 0; size + 1 < good.size(); size += 7)
    EXPECT_THROW(JobRecord::fromStored(good.substr(0, size)), StoredRecordError) << size;
  // Bytes changed at random: read (the figures changed) or refused, never anything else.
  std::mt19937 random(29);
  int refused = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    std::string bytes = good;
    for (int n = 0; n < 1 + trial % 4; ++n)
      bytes[random() % bytes.size()] = static_cast<char>(trial % 3 == 0 ? "0123456789 \n-"[random() % 13] : random());
    try {
      const JobRecord read = JobRecord::fromStored(bytes);
      (void)judgeJob(read, 2);
      (void)jobRecordCsvLines(read);
    } catch (const StoredRecordError&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace chromaflow
