// The job record on the simulated machine in closed loop with the real control: what the plan
// asked and what the pumps delivered, surface by surface, the hose's leftover apart, and the
// alarms where they were raised.

#include "core/control/job_record.h"
#include "core/control/job_record_csv.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <utility>

#include "core/common/text_file.h"
#include "sim/harness/simulation.h"
#include "support/test_files.h"

namespace chromaflow::sim {
namespace {

const std::string kExample = std::string(CHROMAFLOW_EXAMPLES) + "/wall.prv";
constexpr double kPulse = 1.0 / 220;  // litres per pump pulse on the example

struct Raised {
  std::int64_t milliseconds;
  float distance;
};

// Paints the example; notes when and where `watched` was first raised from `fromSeconds` on.
const JobRecord& paintExample(Simulation& simulation, MachineConfig config, const std::string& maxPercent = "5",
                              Alarm watched = Alarm::P1Rapide, double fromSeconds = 0,
                              std::optional<Raised>* raised = nullptr) {
  simulation.openProject(kExample);
  simulation.session().enterCorrectionParameter(CorrectionParameter::PCorrectMaxPct, maxPercent);
  simulation.start();
  simulation.startMachine(std::move(config));
  const JobRecord& record = simulation.session().jobRecord();
  bool was = false;
  while (!simulation.machineFinished()) {
    simulation.tick();
    const bool is = simulation.control().correction().alarm(watched);
    if (raised && !*raised && is && !was && record.milliseconds() >= fromSeconds * 1000)
      *raised = Raised{record.milliseconds(), simulation.control().state().Distance};
    was = is;
  }
  return record;
}

TEST(JobRecord, AHealthyRunDeliversWhatThePlanAskedOnEverySurface) {
  Simulation simulation;
  const JobRecord& record = paintExample(simulation, {});
  ASSERT_EQ(record.surfaces().size(), 4u);
  // The example's proportion rows at 0, 4, 9 and 14 m cut its 14 m path in three intervals.
  ASSERT_EQ(record.intervals().size(), 3u);
  EXPECT_EQ(std::pair(record.intervals()[0].from, record.intervals()[0].to), std::pair(0.0f, 4.0f));
  EXPECT_EQ(std::pair(record.intervals()[1].from, record.intervals()[1].to), std::pair(4.0f, 9.0f));
  EXPECT_EQ(std::pair(record.intervals()[2].from, record.intervals()[2].to), std::pair(9.0f, 14.0f));
  for (const RecordedStretch& s : record.surfaces()) {
    EXPECT_NEAR(s.deliveredP1, s.askedP1, 2 * kPulse) << s.from;
    EXPECT_NEAR(s.deliveredP2, s.askedP2, 2 * kPulse) << s.from;
    EXPECT_NEAR(s.laidProportion(), s.askedProportion(), 1.0) << s.from;
    EXPECT_NEAR(s.distancePainted, s.to - s.from, 0.01) << s.from;
  }
  // The last surface asks 0.35 l of P1 and 1.40 l of P2: the hose's litre pumped to finish the
  // wall stays in the hose and is kept apart, not counted on it.
  EXPECT_NEAR(record.surfaces()[3].askedP1, 0.35, 1e-4);
  EXPECT_NEAR(record.beyondEnd().deliveredP1 + record.beyondEnd().deliveredP2, 1.0, 2 * kPulse);
  EXPECT_EQ(std::pair(record.beyondEnd().from, record.beyondEnd().to), std::pair(14.0f, 14.0f));
  const RecordedStretch total = record.totals();
  EXPECT_NEAR(total.areaPainted, 32.4, 0.05);
  EXPECT_NEAR(total.askedP1 + total.askedP2, 32.4 * 0.14, 0.01);
  // The job's line is its surfaces' added up, figure by figure, from the path's start to its end.
  EXPECT_EQ(std::pair(total.from, total.to), std::pair(0.0f, 14.0f));
  RecordedStretch added;
  for (const RecordedStretch& s : record.surfaces()) {
    added.distancePainted += s.distancePainted;
    added.deliveredP1 += s.deliveredP1;
    added.deliveredP2 += s.deliveredP2;
    added.pulsesP1 += s.pulsesP1;
    added.pulsesP2 += s.pulsesP2;
    added.correctionSum += s.correctionSum;
    added.correctionTicks += s.correctionTicks;
  }
  EXPECT_FLOAT_EQ(total.distancePainted, added.distancePainted);
  EXPECT_DOUBLE_EQ(total.deliveredP1, added.deliveredP1);
  EXPECT_DOUBLE_EQ(total.deliveredP2, added.deliveredP2);
  EXPECT_EQ(total.pulsesP1, added.pulsesP1);
  EXPECT_EQ(total.pulsesP2, added.pulsesP2);
  EXPECT_DOUBLE_EQ(total.correctionSum, added.correctionSum);
  EXPECT_EQ(total.correctionTicks, added.correctionTicks);
  EXPECT_GT(added.pulsesP2, 0);
  EXPECT_GT(added.correctionTicks, 0);
  // Intervals cut the same litres at the proportion rows.
  double intervalsP1 = 0;
  for (const RecordedStretch& i : record.intervals()) intervalsP1 += i.askedP1;
  EXPECT_NEAR(intervalsP1, total.askedP1, 1e-4);
  ASSERT_EQ(record.profile().size(), static_cast<std::size_t>(JobRecord::kProfileBins));
  EXPECT_EQ(record.profile().back().to, 14.0f);
}

TEST(JobRecord, AFastPumpShowsItsExcessWhereItRanFastAndItsAlarmWhereItWasRaised) {
  Simulation simulation;
  std::optional<Raised> raised;
  // P1 10 % fast from the 50th second, the correction off: the surfaces pumped before are laid as
  // asked, those after with a tenth more P1.
  const JobRecord& record = paintExample(simulation, {.faults = {{MachineFault::Target::P1, 1.1, 50}}}, "0",
                                         Alarm::P1Rapide, 50, &raised);
  const auto& s = record.surfaces();
  EXPECT_NEAR(s[0].deliveredP1, s[0].askedP1, 2 * kPulse);
  EXPECT_NEAR(s[3].deliveredP1 / s[3].askedP1, 1.1, 0.05);
  EXPECT_NEAR(s[3].deliveredP2 / s[3].askedP2, 1.0, 0.03);
  EXPECT_LT(s[3].laidProportion(), s[3].askedProportion() - 1);  // less P2 in the mix

  ASSERT_TRUE(raised);
  bool found = false;
  for (const RecordedAlarm& alarm : record.alarms()) {
    if (alarm.alarm != Alarm::P1Rapide || alarm.startMilliseconds > raised->milliseconds ||
        alarm.startMilliseconds + alarm.durationMilliseconds < raised->milliseconds)
      continue;
    found = true;
    if (alarm.startMilliseconds == raised->milliseconds) {
      EXPECT_EQ(alarm.startDistance, raised->distance);
    }
  }
  EXPECT_TRUE(found);
  // Soon after, it stands to the end of the wall.
  bool stands = false;
  for (const RecordedAlarm& alarm : record.alarms())
    stands |= alarm.alarm == Alarm::P1Rapide && alarm.startMilliseconds > 50'000 && alarm.startMilliseconds < 60'000 &&
              alarm.durationMilliseconds > 30'000;
  EXPECT_TRUE(stands);
}

TEST(JobRecord, ANewRunFromTheStartOrAnotherPathStartsAnotherRecord) {
  Simulation simulation;
  simulation.openProject(kExample);
  simulation.start();
  simulation.startMachine({});
  Session& session = simulation.session();
  for (int i = 0; i < 3000; ++i) simulation.tick();
  ASSERT_GT(session.jobRecord().totals().deliveredP1, 0.1);
  // Showing the plan window recomputes the plan without moving anything: the record stays.
  session.planWindowShown();
  session.planWindowLeft();
  simulation.tick();
  EXPECT_GT(session.jobRecord().totals().deliveredP1, 0.1);
  EXPECT_GT(session.jobRecord().milliseconds(), 59'000);

  session.hoseFullButton();  // "->|<-"
  EXPECT_EQ(session.jobRecord().totals().deliveredP1, 0);
  EXPECT_EQ(session.jobRecord().milliseconds(), 0);
  for (int i = 0; i < 500; ++i) simulation.tick();
  EXPECT_GT(session.jobRecord().totals().deliveredP1, 0);

  session.appendSurface({2, 3});  // a longer path: another job
  simulation.tick();
  EXPECT_EQ(session.jobRecord().surfaces().size(), 5u);
  EXPECT_LT(session.jobRecord().totals().deliveredP1, 0.05);
}

TEST(JobRecord, TheCsvReadsBackWithTheRecordsFigures) {
  Simulation simulation;
  const JobRecord& record =
      paintExample(simulation, {.faults = {{MachineFault::Target::P2, 0.0, 60}}});  // P2 stops at 60 s
  ASSERT_FALSE(record.alarms().empty());
  ASSERT_NE(record.totals().meanCorrection(), 0);  // the stop was corrected against
  const testing::TempDir folder;
  const std::string path = folder.file("record.csv");
  writeJobRecordCsv(record, path);
  const std::vector<std::string> lines = readTextFile(path).lines;

  const std::vector<std::string> heading = testing::csvCells(lines.at(0));
  ASSERT_EQ(heading.size(), 20u);
  std::size_t surfaces = 0, intervals = 0, alarms = 0;
  int hose = 0, total = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> row = testing::csvCells(lines[i]);
    ASSERT_EQ(row.size(), heading.size()) << lines[i];
    auto number = [&](std::size_t column) { return std::stod(row.at(column)); };
    if (row[0] == "alarm") {
      const RecordedAlarm& a = record.alarms().at(alarms++);
      EXPECT_EQ(row[15], alarmName(a.alarm));
      EXPECT_NEAR(number(16), static_cast<double>(a.startMilliseconds) / 1000, 5e-3);
      EXPECT_NEAR(number(17), a.startDistance, 5e-4);
      EXPECT_NEAR(number(18), static_cast<double>(a.durationMilliseconds) / 1000, 5e-3);
      EXPECT_EQ(std::stoi(row[19]), a.raisings);
      continue;
    }
    RecordedStretch stretch;
    if (row[0] == "surface") {
      stretch = record.surfaces().at(surfaces++);
      EXPECT_EQ(std::stoul(row[1]), surfaces);
    } else if (row[0] == "interval") {
      stretch = record.intervals().at(intervals++);
      EXPECT_EQ(std::stoul(row[1]), intervals);
    } else if (row[0] == "hose") {
      stretch = record.beyondEnd();
      ++hose;
    } else {
      ASSERT_EQ(row[0], "total");
      stretch = record.totals();
      ++total;
    }
    // Every figure of the stretch in its own column, to the decimals written.
    const std::pair<double, double> columns[] = {
        {stretch.from, 5e-4},          {stretch.to, 5e-4},           {stretch.distancePainted, 5e-4},
        {stretch.areaPainted, 5e-4},   {stretch.askedP1, 5e-5},      {stretch.askedP2, 5e-5},
        {stretch.deliveredP1, 5e-5},   {stretch.deliveredP2, 5e-5},  {static_cast<double>(stretch.pulsesP1), 0},
        {static_cast<double>(stretch.pulsesP2), 0}};
    for (std::size_t c = 0; c < std::size(columns); ++c)
      EXPECT_NEAR(number(2 + c), columns[c].first, columns[c].second) << row[0] << " " << heading[2 + c];
    for (const auto& [column, percent] : {std::pair{12, stretch.askedProportion()}, std::pair{13, stretch.laidProportion()}}) {
      if (percent >= 0) {
        EXPECT_NEAR(number(column), percent, 5e-3) << row[0] << " " << heading[column];
      } else {
        EXPECT_EQ(row[column], "") << row[0] << " " << heading[column];
      }
    }
    EXPECT_NEAR(number(14), stretch.meanCorrection(), 5e-3) << row[0];
  }
  EXPECT_EQ(hose, 1);
  EXPECT_EQ(total, 1);
  EXPECT_GT(record.beyondEnd().pulsesP1, 0);
  EXPECT_EQ(surfaces, record.surfaces().size());
  EXPECT_EQ(intervals, record.intervals().size());
  EXPECT_EQ(alarms, record.alarms().size());
  EXPECT_THROW(writeJobRecordCsv(record, path + "/not-a-folder/x.csv"), FileError);
}

// A record fed by hand: a path of two surfaces, the anticipated distance and the counters moved.
struct HandFed : ::testing::Test {
  Simulation simulation;
  JobRecord record;
  JobTick tick;

  void SetUp() override {
    Session& s = simulation.session();
    s.appendSurface({2, 5});
    s.appendSurface({2, 5});
    s.appendProportion("0.00", 40);
    tick.pulsesPerLitreP1 = tick.pulsesPerLitreP2 = 100;
    record.restart(s.path(), tick);
  }
  void step(float anticipated, long long p1, long long p2, std::array<bool, kAlarmCount> alarms = {}) {
    tick.milliseconds += 20;
    tick.anticipatedDistance = anticipated;
    tick.pulsesP1 += p1;
    tick.pulsesP2 += p2;
    tick.alarms = alarms;
    record.record(tick, simulation.session().path());
  }
};

TEST_F(HandFed, TurningBackAsksTheStretchAgainPaintsItOnceAndAResetCounterDeliversNothing) {
  const Litres fiveMetres = simulation.session().path().LitresUpTo(5);
  for (int i = 1; i <= 50; ++i) step(0.1f * static_cast<float>(i), 0, 0);
  EXPECT_NEAR(record.surfaces()[0].askedP1, fiveMetres.P1, 1e-6);
  step(2.5f, 0, 0);  // back to the middle: what follows is painted again
  for (int i = 26; i <= 50; ++i) step(0.1f * static_cast<float>(i), 0, 0);
  EXPECT_NEAR(record.surfaces()[0].askedP1, 1.5 * fiveMetres.P1, 1e-5);
  EXPECT_NEAR(record.surfaces()[0].askedP2, 1.5 * fiveMetres.P2, 1e-5);

  // The distance set back and painted again covers the same wall: 5 m painted of 5, 2 m high,
  // however often its second half is painted; the pieces painted apart are added.
  for (float at : {2.5f, 5.0f, 2.5f, 5.0f, 1.0f, 2.0f}) {
    tick.distance = at;
    step(tick.anticipatedDistance, 0, 0);
  }
  EXPECT_NEAR(record.surfaces()[0].distancePainted, 5, 1e-5);
  EXPECT_NEAR(record.surfaces()[0].areaPainted, 10, 1e-4);
  tick.distance = 7.0f;  // from 2 m: across the end of the first surface into the second
  step(tick.anticipatedDistance, 0, 0);
  EXPECT_NEAR(record.surfaces()[0].distancePainted, 5, 1e-5);
  EXPECT_NEAR(record.surfaces()[1].distancePainted, 2, 1e-5);
  EXPECT_NEAR(record.totals().distancePainted, 7, 1e-5);

  step(6.0f, 40, 60);
  tick.pulsesP1 = 0;  // the counter was reset: no pulses, no negative litres
  step(6.0f, 0, 0);
  EXPECT_DOUBLE_EQ(record.surfaces()[1].deliveredP1, 0.4);
  EXPECT_DOUBLE_EQ(record.surfaces()[1].deliveredP2, 0.6);
  EXPECT_DOUBLE_EQ(record.surfaces()[1].laidProportion(), 60.0);  // P2's share, as the plan writes it
  step(10.0f, 10, 0);  // at the path's end: the paint stays in the hose
  EXPECT_DOUBLE_EQ(record.beyondEnd().deliveredP1, 0.1);
  // The pulses are counted where they were laid, beside the litres they make.
  EXPECT_EQ(record.surfaces()[1].pulsesP1, 40);
  EXPECT_EQ(record.surfaces()[1].pulsesP2, 60);
  EXPECT_EQ(record.beyondEnd().pulsesP1, 10);

  // Another record starts with nothing left in the hose's line either.
  record.restart(simulation.session().path(), tick);
  EXPECT_EQ(record.beyondEnd().pulsesP1, 0);
  EXPECT_EQ(record.beyondEnd().deliveredP1, 0);
}

// A thinner paint set half-way through a stretch: what was asked before stays asked, and from
// there on the stretch is asked the new thickness's litres, never less than before.
TEST_F(HandFed, ThePaintsThicknessChangedMidStretchKeepsWhatWasAsked) {
  Session& s = simulation.session();
  const Litres half = s.path().LitresUpTo(2.5f);
  for (int i = 1; i <= 25; ++i) step(0.1f * static_cast<float>(i), 0, 0);
  s.enterSettingsPanel(SettingsPanel::EditLitreM2, "0.07");
  for (int i = 26; i <= 50; ++i) step(0.1f * static_cast<float>(i), 0, 0);
  const Litres thinner = s.path().LitresUpTo(5);
  EXPECT_NEAR(record.surfaces()[0].askedP1, half.P1 + thinner.P1 / 2, 1e-5);
  EXPECT_NEAR(record.surfaces()[0].askedP2, half.P2 + thinner.P2 / 2, 1e-5);
}

// An operator setting the distance to and fro leaves the record bounded: past its pieces, the
// narrowest gap counts as painted, and no stretch is painted beyond its length.
TEST_F(HandFed, PiecesPaintedApartStayBounded) {
  tick.distance = 9.5f;  // the roller starts at the far end
  record.restart(simulation.session().path(), tick);
  const std::size_t before = record.memoryBytes();
  for (int i = 9000; i-- > 0;) {  // each piece set back before the last one, then painted
    tick.distance = static_cast<float>(i) * 1e-3f;
    step(tick.anticipatedDistance, 0, 0);
    tick.distance += 4e-4f;
    step(tick.anticipatedDistance, 0, 0);
  }
  EXPECT_LE(record.memoryBytes() - before, 2 * (JobRecord::kMaxCoverPieces + 1) * 2 * sizeof(float));
  const RecordedStretch& first = record.surfaces()[0];
  EXPECT_GE(first.distancePainted, 5000 * 4e-4f);
  EXPECT_LE(first.distancePainted, 5.0f);
  EXPECT_GE(record.surfaces()[1].distancePainted, 4000 * 4e-4f);
  EXPECT_LE(record.totals().distancePainted, 9.0f);
}

// With no surface there is no path to cut: whatever the pumps give stays in the hose's line.
TEST_F(HandFed, APathOfNoLengthIsCutInNothing) {
  Simulation empty;
  record.restart(empty.session().path(), tick);
  EXPECT_TRUE(record.surfaces().empty());
  EXPECT_TRUE(record.intervals().empty());
  EXPECT_TRUE(record.profile().empty());
  tick.milliseconds += 20;
  tick.pulsesP1 += 10;
  record.record(tick, empty.session().path());
  EXPECT_EQ(record.beyondEnd().pulsesP1, 10);
}

// Paint pumped where nothing was asked yet (the roller and the anticipation standing still) was
// pumped there all the same: the report shows it, whichever pump gave it.
TEST_F(HandFed, PaintDeliveredWhereNothingWasAskedIsPumped) {
  for (const auto& [p1, p2] : {std::pair{30, 0}, std::pair{0, 30}}) {
    tick.anticipatedDistance = 1.0f;
    record.restart(simulation.session().path(), tick);
    step(1.0f, p1, p2);
    const RecordedStretch& first = record.surfaces()[0];
    EXPECT_EQ(first.askedP1 + first.askedP2, 0) << p1;
    EXPECT_TRUE(first.pumped()) << p1;
    EXPECT_DOUBLE_EQ(first.laidProportion(), p2 ? 100.0 : 0.0);
    EXPECT_FALSE(record.surfaces()[1].pumped()) << "the second surface, not reached";
  }
}

// A pump whose pulses per litre are not set (0) counts its pulses but no litres; the other pump
// is not held back by it.
TEST_F(HandFed, APumpWithoutPulsesPerLitreDeliversNoLitresAndHoldsNoneBack) {
  for (const auto& [perLitreP1, perLitreP2] : {std::pair{0, 100}, std::pair{100, 0}}) {
    tick.pulsesPerLitreP1 = perLitreP1;
    tick.pulsesPerLitreP2 = perLitreP2;
    record.restart(simulation.session().path(), tick);
    step(1.0f, 30, 50);
    const RecordedStretch& first = record.surfaces()[0];
    EXPECT_DOUBLE_EQ(first.deliveredP1, perLitreP1 ? 0.3 : 0.0) << perLitreP1;
    EXPECT_DOUBLE_EQ(first.deliveredP2, perLitreP2 ? 0.5 : 0.0) << perLitreP2;
    EXPECT_EQ(first.pulsesP1, 30);
    EXPECT_EQ(first.pulsesP2, 50);
  }
}

// A stretch asked of one pump alone was asked something: its proportion is that pump's.
TEST_F(HandFed, AStretchAskedOfOnePumpAloneHasItsProportion) {
  Session& s = simulation.session();
  for (int proportion : {100, 0}) {
    s.clearProportions();
    s.appendProportion("0.00", proportion);
    record.restart(s.path(), tick);
    for (int i = 1; i <= 20; ++i) step(0.1f * static_cast<float>(i), 0, 0);
    ASSERT_TRUE(record.surfaces()[0].pumped()) << proportion;
    EXPECT_DOUBLE_EQ(record.surfaces()[0].askedProportion(), proportion);
  }
}

TEST_F(HandFed, AFlickeringAlarmIsOneEntryAndEntriesAreBounded) {
  std::array<bool, kAlarmCount> on{};
  on[static_cast<int>(Alarm::P2Stop)] = true;
  for (int i = 0; i < 10; ++i) {
    step(0, 0, 0, on);
    step(0, 0, 0);
  }
  ASSERT_EQ(record.alarms().size(), 1u);
  EXPECT_EQ(record.alarms()[0].raisings, 10);
  EXPECT_EQ(record.alarms()[0].durationMilliseconds, 19 * 20);  // raised, then cleared 19 ticks later
  EXPECT_FALSE(record.alarms()[0].standing);

  // Raised and cleared far apart, for hours: the entries stop at the bound and are counted.
  const std::size_t before = record.memoryBytes();
  for (std::size_t i = 0; i < JobRecord::kMaxAlarms + 5; ++i) {
    tick.milliseconds += JobRecord::kAlarmGapMilliseconds;
    step(0, 0, 0, on);
    step(0, 0, 0);
  }
  EXPECT_EQ(record.alarms().size(), JobRecord::kMaxAlarms);
  EXPECT_EQ(record.alarmsNotKept(), 6);
  EXPECT_LE(record.memoryBytes(), before + JobRecord::kMaxAlarms * sizeof(RecordedAlarm));
}

// An alarm raised again within 2 s of clearing, 2 s included, continues its entry; later, it is
// a new one.
TEST_F(HandFed, AnAlarmRaisedAgainWithinTwoSecondsContinuesItsEntry) {
  std::array<bool, kAlarmCount> on{};
  on[static_cast<int>(Alarm::P1Lente)] = true;
  step(0, 0, 0, on);
  step(0, 0, 0);  // cleared here
  tick.milliseconds += JobRecord::kAlarmGapMilliseconds - 20;
  step(0, 0, 0, on);  // raised again exactly 2 s after clearing
  ASSERT_EQ(record.alarms().size(), 1u);
  EXPECT_EQ(record.alarms()[0].raisings, 2);
  step(0, 0, 0);
  tick.milliseconds += JobRecord::kAlarmGapMilliseconds - 19;
  step(0, 0, 0, on);  // 1 ms later than that: a new entry
  EXPECT_EQ(record.alarms().size(), 2u);
}

// A record started while an alarm stands has it from its first moment, whatever came before.
TEST_F(HandFed, AnAlarmStandingAtTheStartIsKeptFromTheStart) {
  tick.milliseconds = 5000;
  tick.alarms[static_cast<int>(Alarm::P2Stop)] = true;
  record.restart(simulation.session().path(), tick);
  ASSERT_EQ(record.alarms().size(), 1u);
  EXPECT_EQ(record.alarms()[0].alarm, Alarm::P2Stop);
  EXPECT_EQ(record.alarms()[0].startMilliseconds, 5000);
  step(1.0f, 0, 0);  // cleared 20 ms later
  EXPECT_EQ(record.alarms()[0].durationMilliseconds, 20);
}

}  // namespace
}  // namespace chromaflow::sim
