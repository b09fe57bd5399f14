// The writer's thread: the window's thread never waits on a store however slow; the queue stays
// bounded, a job's last state always arrives; a shared store that does not answer gets the jobs
// when it answers again; a PC's store that cannot be opened says so.

#include "history/history_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "fake_job_store.h"
#include "history/sqlite_job_store.h"
#include "history_test_jobs.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using namespace std::chrono_literals;
using testing::FakeJobStore;
using testing::FakeStoreState;

using testing::kMay2024;

// A job, told apart by its area.
StoredJob jobAt(double area, const std::string& project = "Hall") {
  static const JobRecord record = testing::paintedRecord(20);
  StoredJob job = testing::sampleJob(project, kMay2024, record);
  job.figures.areaPainted = area;
  return job;
}

HistoryWriterOptions quick() {
  HistoryWriterOptions options;
  options.machine = "atelier-1";
  options.firstRetry = 20ms;
  options.longestRetry = 60ms;
  return options;
}

TEST(HistoryWriter, TheWindowsThreadNeverWaitsOnAStoreThatDoesNotAnswer) {
  auto local = std::make_shared<FakeStoreState>();
  local->hold(true);  // the disk does not answer
  HistoryWriter writer(std::make_unique<FakeJobStore>(local), nullptr, quick());

  // The store stays held throughout: a call that waited on it would never return.
  const HistoryWriter::Ticket ticket = writer.begin(jobAt(0));
  for (int i = 1; i <= 500; ++i) writer.update(ticket, jobAt(i));
  StoredJob last = jobAt(600);
  last.endedMs += 1000;
  writer.finish(ticket, last);
  (void)writer.state();
  EXPECT_FALSE(writer.settle(50ms));
  EXPECT_LE(writer.state().queued, 2u) << "its begin and its finish; its updates made way for the finish";
  EXPECT_EQ(writer.state().replaced, 500u);

  local->hold(false);
  ASSERT_TRUE(writer.settle(5s));
  const std::vector<StoredJob> kept = local->all();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].status, JobStatus::Finished);
  EXPECT_EQ(kept[0].figures.areaPainted, 600);
  EXPECT_EQ(kept[0].endedMs, last.endedMs);
  EXPECT_EQ(kept[0].machine, "atelier-1");
  EXPECT_FALSE(kept[0].uid.empty());
  EXPECT_EQ(local->writeCount(), 3) << "closing what was cut off, the begin, the finish";
  EXPECT_EQ(writer.state().queued, 0u);
  EXPECT_EQ(writer.state().closedAtStart, 0);
}

TEST(HistoryWriter, ASlowStoreGetsEachJobsNewestStateAndEveryFinish) {
  auto local = std::make_shared<FakeStoreState>();
  local->delay = 5ms;
  HistoryWriterOptions options = quick();
  options.queueLength = 8;
  HistoryWriter writer(std::make_unique<FakeJobStore>(local), nullptr, options);

  // Twenty jobs at once, their updates far quicker than the store: the queue holds at most eight
  // of their updates, the newest.
  std::vector<HistoryWriter::Ticket> tickets;
  for (int k = 0; k < 20; ++k) tickets.push_back(writer.begin(jobAt(0, "Mur " + std::to_string(k))));
  for (int round = 1; round <= 30; ++round)
    for (int k = 0; k < 20; ++k) writer.update(tickets[k], jobAt(round, "Mur " + std::to_string(k)));
  for (int k = 0; k < 20; k += 2) writer.finish(tickets[k], jobAt(100 + k, "Mur " + std::to_string(k)));
  // An update after its finish is no state of the job.
  writer.update(tickets[0], jobAt(-1, "Mur 0"));
  EXPECT_LE(writer.state().queued, 20u + 10u + 8u);

  ASSERT_TRUE(writer.settle(10s));
  const std::vector<StoredJob> kept = local->all();
  ASSERT_EQ(kept.size(), 20u);
  for (const StoredJob& job : kept) {
    const int k = std::stoi(job.projectName.substr(4));
    if (k % 2 == 0) {
      EXPECT_EQ(job.status, JobStatus::Finished) << k;
      EXPECT_EQ(job.figures.areaPainted, 100 + k) << k;
    } else {
      EXPECT_EQ(job.status, JobStatus::Running) << k;
    }
  }
  EXPECT_LT(local->writeCount(), 20 + 10 + 20 * 30 / 4) << "updates waiting were replaced, not all written";
}

TEST(HistoryWriter, JobsWaitOnThePCUntilTheSharedStoreAnswersAgain) {
  auto local = std::make_shared<FakeStoreState>();
  local->marksWaiting = true;
  auto shared = std::make_shared<FakeStoreState>();
  shared->reachable = false;
  std::atomic<int> heard = 0;
  HistoryWriterOptions options = quick();
  options.stateChanged = [&](const HistoryState&) { ++heard; };
  HistoryWriter writer(std::make_unique<FakeJobStore>(local, "poste"),
                       std::make_unique<FakeJobStore>(shared, "PostgreSQL atelier:5432/chromaflow"), options);

  const HistoryWriter::Ticket ticket = writer.begin(jobAt(1));
  writer.update(ticket, jobAt(2));
  writer.finish(ticket, jobAt(3));
  EXPECT_FALSE(writer.settle(300ms));
  HistoryState state = writer.state();
  EXPECT_TRUE(state.shared);
  EXPECT_FALSE(state.reachable);
  EXPECT_EQ(state.waiting, 1u);
  EXPECT_NE(state.lastError.find("ne répond pas"), std::string::npos) << state.lastError;
  EXPECT_NE(state.text().find("Historique partagé injoignable (PostgreSQL atelier:5432/chromaflow) : 1 travail gardé "
                              "sur ce poste"),
            std::string::npos)
      << state.text();
  ASSERT_EQ(local->all().size(), 1u);
  EXPECT_EQ(local->all()[0].status, JobStatus::Finished);
  EXPECT_TRUE(shared->all().empty());

  shared->setReachable(true);
  ASSERT_TRUE(writer.settle(3s));
  state = writer.state();
  EXPECT_TRUE(state.reachable);
  EXPECT_EQ(state.waiting, 0u);
  EXPECT_EQ(state.lastError, "");
  EXPECT_EQ(state.text(), "Historique partagé : PostgreSQL atelier:5432/chromaflow");
  const std::vector<StoredJob> copied = shared->all();
  ASSERT_EQ(copied.size(), 1u);
  EXPECT_EQ(copied[0].status, JobStatus::Finished);
  EXPECT_EQ(copied[0].figures.areaPainted, 3);
  EXPECT_EQ(copied[0].uid, local->all()[0].uid);
  EXPECT_GT(heard.load(), 2);
}

TEST(HistoryWriter, AJobCutOffLastTimeIsClosedAndReachesTheSharedStoreAsInterrupted) {
  auto local = std::make_shared<FakeStoreState>();
  local->marksWaiting = true;
  StoredJob cut = jobAt(7);
  cut.uid = "atelier-1-1-abc";
  local->jobs[local->nextId++] = cut;
  auto shared = std::make_shared<FakeStoreState>();
  HistoryWriter writer(std::make_unique<FakeJobStore>(local), std::make_unique<FakeJobStore>(shared), quick());
  writer.begin(jobAt(8));  // opens the PC's store
  ASSERT_TRUE(writer.settle(3s));
  EXPECT_EQ(writer.state().closedAtStart, 1);
  std::vector<StoredJob> copied = shared->all();
  ASSERT_EQ(copied.size(), 2u);
  std::sort(copied.begin(), copied.end(), [](auto& a, auto& b) { return a.figures.areaPainted < b.figures.areaPainted; });
  EXPECT_EQ(copied[0].uid, "atelier-1-1-abc");
  EXPECT_EQ(copied[0].status, JobStatus::Interrupted);
  EXPECT_EQ(copied[1].status, JobStatus::Running);
}

TEST(HistoryWriter, APCStoreThatCannotBeOpenedSaysSoAndTheSharedOneStillGetsTheJobs) {
  const std::string damaged = "L'historique des travaux « /h.sqlite » est endommagé (file is not a database).";
  {
    auto local = std::make_shared<FakeStoreState>();
    local->openRefusal = damaged;
    HistoryWriter writer(std::make_unique<FakeJobStore>(local), nullptr, quick());
    writer.finish(writer.begin(jobAt(1)), jobAt(2));
    ASSERT_TRUE(writer.settle(3s));
    EXPECT_EQ(writer.state().lastError, damaged);
    EXPECT_NE(writer.state().text().find(damaged), std::string::npos);
    EXPECT_EQ(writer.state().closedAtStart, -1);
  }
  auto local = std::make_shared<FakeStoreState>();
  local->openRefusal = damaged;
  auto shared = std::make_shared<FakeStoreState>();
  HistoryWriter writer(std::make_unique<FakeJobStore>(local), std::make_unique<FakeJobStore>(shared), quick());
  const HistoryWriter::Ticket ticket = writer.begin(jobAt(1));
  writer.update(ticket, jobAt(2));
  ASSERT_TRUE(writer.settle(3s));
  ASSERT_EQ(shared->all().size(), 1u);
  EXPECT_EQ(shared->all()[0].figures.areaPainted, 2);
  EXPECT_EQ(writer.state().lastError, damaged) << "the PC's store failing is what the operator must hear";
  writer.finish(ticket, jobAt(3));
  ASSERT_TRUE(writer.settle(3s));
  EXPECT_EQ(shared->all()[0].status, JobStatus::Finished);
}

TEST(HistoryWriter, StoppingWritesWhatIsStillQueued) {
  auto local = std::make_shared<FakeStoreState>();
  local->delay = 10ms;
  {
    HistoryWriter writer(std::make_unique<FakeJobStore>(local), nullptr, quick());
    for (int k = 0; k < 5; ++k) writer.finish(writer.begin(jobAt(k, "Mur " + std::to_string(k))), jobAt(10 + k));
  }
  const std::vector<StoredJob> kept = local->all();
  ASSERT_EQ(kept.size(), 5u);
  for (const StoredJob& job : kept) EXPECT_EQ(job.status, JobStatus::Finished);
}

TEST(HistoryWriter, StoppingDoesNotWaitOnASharedStoreThatDoesNotAnswer) {
  auto local = std::make_shared<FakeStoreState>();
  local->marksWaiting = true;
  auto shared = std::make_shared<FakeStoreState>();
  shared->reachable = false;
  const auto start = std::chrono::steady_clock::now();
  {
    HistoryWriterOptions options = quick();
    options.firstRetry = options.longestRetry = 10s;
    HistoryWriter writer(std::make_unique<FakeJobStore>(local), std::make_unique<FakeJobStore>(shared), options);
    writer.finish(writer.begin(jobAt(1)), jobAt(2));
    while (writer.state().reachable) std::this_thread::sleep_for(1ms);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  ASSERT_EQ(local->all().size(), 1u);
  EXPECT_EQ(local->waiting.begin()->second, true) << "left marked for the next start";
}

}  // namespace
}  // namespace chromaflow

namespace chromaflow {
namespace {

// A second program (or chromaflow-sim) writing the PC's file beside a first one leaves the first
// one's running job alone; a job whose program is gone is closed by the next writer.
TEST(HistoryWriter, OnlyJobsOfProgramsNoLongerRunningAreClosedAtStart) {
  testing::TempDir dir;
  const HistoryPlace place{dir.file("history.sqlite"), "", "atelier-1"};
  auto first = startHistoryWriter(place, quick());
  const HistoryWriter::Ticket painting = first->begin(jobAt(5));
  ASSERT_TRUE(first->settle(3s));
  {
    auto beside = startHistoryWriter(place, quick());
    beside->begin(jobAt(6));
    ASSERT_TRUE(beside->settle(3s));
    EXPECT_EQ(beside->state().closedAtStart, 0);
  }
  first->update(painting, jobAt(7));
  first->finish(painting, jobAt(8));
  ASSERT_TRUE(first->settle(3s));
  first.reset();
  {
    SqliteJobStore store(place.localPath);
    store.open();
    std::vector<JobSummary> jobs = store.list(std::nullopt, "");
    ASSERT_EQ(jobs.size(), 2u);
    std::sort(jobs.begin(), jobs.end(), [](auto& a, auto& b) { return a.figures.areaPainted < b.figures.areaPainted; });
    EXPECT_EQ(jobs[0].status, JobStatus::Running);  // the one beside, gone without a finish
    EXPECT_EQ(jobs[1].status, JobStatus::Finished);
    EXPECT_EQ(jobs[1].figures.areaPainted, 8);
    store.beginJob(jobAt(9));  // as a program killed mid-job leaves it
  }
  auto next = startHistoryWriter(place, quick());
  next->begin(jobAt(10));
  ASSERT_TRUE(next->settle(3s));
  EXPECT_EQ(next->state().closedAtStart, 2);
}

}  // namespace
}  // namespace chromaflow
