// The workshop PC's history file: jobs written, updated, finished, listed and read back whole; a
// program killed in the middle of a job; files that are damaged, read-only, of another program
// or of a later version; a list that stays quick with a hundred thousand jobs.

#include "history/sqlite_job_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "history/history_paths.h"
#include "history_test_jobs.h"
#include "support/test_files.h"

namespace chromaflow {
namespace {

using testing::expectSameJob;
using testing::sampleJob;
using testing::TempDir;

constexpr std::int64_t kDay = 24LL * 3600 * 1000;
using testing::kMay2024;

// Runs statements on the file as another program would.
void rawSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// The HistoryError that opening the file gives.
HistoryError openingError(const std::string& path) {
  SqliteJobStore store(path);
  try {
    store.open();
  } catch (const HistoryError& error) {
    return error;
  }
  ADD_FAILURE() << path << " opened";
  return HistoryError(HistoryProblem::Other, "");
}

TEST(SqliteJobStore, AJobIsWrittenUpdatedFinishedListedAndReadBackWhole) {
  TempDir dir;
  SqliteJobStore store(dir.file("history.sqlite"), {.machine = "atelier-1"});
  store.open();
  EXPECT_TRUE(store.list(std::nullopt, "").empty());

  StoredJob job = sampleJob("Hall", kMay2024, testing::paintedRecord(20));
  job.machine.clear();  // given the store's
  const std::int64_t id = store.beginJob(job);
  std::vector<JobSummary> jobs = store.list(std::nullopt, "");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].id, id);
  EXPECT_EQ(jobs[0].status, JobStatus::Running);
  EXPECT_EQ(jobs[0].machine, "atelier-1");
  EXPECT_FALSE(jobs[0].uid.empty()) << "given one by the store";
  EXPECT_EQ(jobs[0].userText, "Client Durand, Hall");

  // The whole wall: its later state replaces the first.
  StoredJob later = sampleJob("Hall", kMay2024);
  later.uid = jobs[0].uid;
  store.updateJob(id, later);
  EXPECT_EQ(store.list(std::nullopt, "")[0].figures, later.figures);
  EXPECT_EQ(store.load(id).status, JobStatus::Running);

  later.endedMs += 5000;
  store.finishJob(id, later);
  // A state that comes after the end changes nothing.
  store.updateJob(id, sampleJob("Hall", kMay2024, testing::paintedRecord(20)));
  const StoredJob read = store.load(id);
  EXPECT_EQ(read.status, JobStatus::Finished);
  expectSameJob(read, later);
  EXPECT_NEAR(read.figures.areaPainted, 32.4, 1.0);
  EXPECT_FALSE(read.verdict.withinTolerance);

  // Newest first, ties by the order they were begun.
  store.beginJob(sampleJob("Cuisine", kMay2024 + 2 * kDay));
  store.beginJob(sampleJob("Garage", kMay2024 - kDay));
  store.beginJob(sampleJob("Cave", kMay2024 + 2 * kDay));
  jobs = store.list(std::nullopt, "");
  ASSERT_EQ(jobs.size(), 4u);
  EXPECT_EQ(jobs[0].projectName, "Cave");
  EXPECT_EQ(jobs[1].projectName, "Cuisine");
  EXPECT_EQ(jobs[2].projectName, "Hall");
  EXPECT_EQ(jobs[3].projectName, "Garage");
  EXPECT_EQ(jobs[2], summaryOf(read));

  try {
    store.load(id + 100);
    ADD_FAILURE() << "a job that is not there was read";
  } catch (const HistoryError& error) {
    EXPECT_EQ(error.problem(), HistoryProblem::NotFound);
  }
}

TEST(SqliteJobStore, TheListKeepsTheJobsSinceADateAndThoseHoldingTheTextSought) {
  TempDir dir;
  SqliteJobStore store(dir.file("history.sqlite"));
  store.open();
  const char* projects[] = {"Façade nord", "Hall 100%", "Hall_B", "hall C", "Garage"};
  for (int i = 0; i < 5; ++i) store.beginJob(sampleJob(projects[i], kMay2024 + i * kDay));
  StoredJob elsewhere = sampleJob("Atelier", kMay2024 + 6 * kDay, testing::wholeWall(), "poste-Hall");
  store.beginJob(elsewhere);

  auto names = [&](std::optional<std::int64_t> since, const std::string& search, std::size_t limit = 0) {
    std::vector<std::string> found;
    for (const JobSummary& job : store.list(since, search, limit)) found.push_back(job.projectName);
    return found;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names(kMay2024 + 3 * kDay, ""), (Names{"Atelier", "Garage", "hall C"}));
  // Either case of the English letters; in the machine's name too.
  EXPECT_EQ(names(std::nullopt, "HALL"), (Names{"Atelier", "hall C", "Hall_B", "Hall 100%"}));
  // %, _ and \ are what they are.
  EXPECT_EQ(names(std::nullopt, "100%"), (Names{"Hall 100%"}));
  EXPECT_EQ(names(std::nullopt, "l_"), (Names{"Hall_B"}));
  EXPECT_EQ(names(std::nullopt, "\\"), Names{});
  EXPECT_EQ(names(std::nullopt, "Façade"), (Names{"Façade nord"}));
  EXPECT_EQ(names(std::nullopt, "'; DROP TABLE jobs; --"), Names{});
  EXPECT_EQ(names(std::nullopt, "Durand, Garage"), (Names{"Garage"})) << "the user text is searched";
  EXPECT_EQ(names(std::nullopt, "", 2), (Names{"Atelier", "Garage"}));
  EXPECT_EQ(names(kMay2024 + kDay, "hall", 1), (Names{"Atelier"}));
  EXPECT_EQ(store.list(std::nullopt, "").size(), 6u);
}

TEST(SqliteJobStore, JobsStillRunningAtStartAreClosedAsInterruptedAndMarkedForTheSharedHistory) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  std::int64_t running, finished;
  {
    SqliteJobStore store(path, {.machine = "atelier-1", .marksWaiting = true});
    store.open();
    running = store.beginJob(sampleJob("Hall", kMay2024));
    finished = store.beginJob(sampleJob("Cave", kMay2024 + kDay));
    store.finishJob(finished, sampleJob("Cave", kMay2024 + kDay));
    EXPECT_EQ(store.waitingJobs(), (std::vector<std::int64_t>{running, finished}));
    store.markCopied(running);
    store.markCopied(finished);
    EXPECT_TRUE(store.waitingJobs().empty());
  }
  SqliteJobStore store(path, {.machine = "atelier-1", .marksWaiting = true});
  store.open();
  EXPECT_EQ(store.closeUnfinished(), 1);
  EXPECT_EQ(store.closeUnfinished(), 0);
  EXPECT_EQ(store.load(running).status, JobStatus::Interrupted);
  EXPECT_EQ(store.load(finished).status, JobStatus::Finished);
  EXPECT_EQ(store.waitingJobs(), std::vector<std::int64_t>{running}) << "the shared history must hear of it";
}

TEST(SqliteJobStore, ACopyReplacesTheJobOfTheSameUidAndKeepsItsStatus) {
  TempDir dir;
  SqliteJobStore store(dir.file("history.sqlite"), {.machine = "serveur"});
  store.open();
  StoredJob job = sampleJob("Hall", kMay2024, testing::paintedRecord(20));
  job.uid = "atelier-1-1714521600000-abc";
  const std::int64_t id = store.putJob(job);
  EXPECT_EQ(store.load(id).status, JobStatus::Running);
  StoredJob done = sampleJob("Hall", kMay2024);
  done.uid = job.uid;
  done.status = JobStatus::Finished;
  EXPECT_EQ(store.putJob(done), id);
  ASSERT_EQ(store.list(std::nullopt, "").size(), 1u);
  const StoredJob read = store.load(id);
  EXPECT_EQ(read.status, JobStatus::Finished);
  expectSameJob(read, done);
  EXPECT_TRUE(store.waitingJobs().empty()) << "not marked without being told to";
}

TEST(SqliteJobStore, AProgramKilledInTheMiddleOfAJobLeavesItsLastWholeState) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The program painting: a job begun, then its state written again and again until killed.
    ::close(ready[0]);
    try {
      SqliteJobStore store(path, {.machine = "atelier-1"});
      store.open();
      const JobRecord early = testing::paintedRecord(25), late = testing::wholeWall();
      const std::int64_t id = store.beginJob(sampleJob("Hall", kMay2024, early));
      store.updateJob(id, sampleJob("Hall", kMay2024, late));
      if (::write(ready[1], "u", 1) != 1) ::_exit(2);
      for (int i = 0;; ++i) store.updateJob(id, sampleJob("Hall", kMay2024, i % 2 ? early : late));
    } catch (...) {
      ::_exit(3);
    }
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ::usleep(30'000);  // in the middle of some write
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;

  SqliteJobStore store(path, {.machine = "atelier-1"});
  store.open();
  EXPECT_EQ(store.closeUnfinished(), 1);
  const std::vector<JobSummary> jobs = store.list(std::nullopt, "");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].status, JobStatus::Interrupted);
  const StoredJob job = store.load(jobs[0].id);
  EXPECT_EQ(job.status, JobStatus::Interrupted);
  // One of the two states, whole: its figures are its record's.
  EXPECT_EQ(job.figures, figuresOf(job.record));
  EXPECT_EQ(job.verdict, judgeJob(job.record, 2));
  const JobFigures early = figuresOf(testing::paintedRecord(25)), late = figuresOf(testing::wholeWall());
  EXPECT_TRUE(job.figures == early || job.figures == late);
  EXPECT_GT(early.areaPainted, 1.0);
}

TEST(SqliteJobStore, ADamagedFileOrOneOfAnotherProgramIsRefusedWithAClearMessage) {
  TempDir dir;
  const std::string garbage = dir.file("garbage.sqlite");
  testing::writeBytes(garbage, std::string(4096, '\x5a'));
  HistoryError error = openingError(garbage);
  EXPECT_EQ(error.problem(), HistoryProblem::Damaged);
  EXPECT_NE(std::string(error.what()).find("est endommagé"), std::string::npos) << error.what();
  EXPECT_NE(std::string(error.what()).find(garbage), std::string::npos) << error.what();
  EXPECT_EQ(testing::readBytes(garbage), std::string(4096, '\x5a')) << "left as it was";

  const std::string other = dir.file("other.sqlite");
  rawSql(other, "CREATE TABLE clients (name TEXT)");
  error = openingError(other);
  EXPECT_EQ(error.problem(), HistoryProblem::Damaged);
  EXPECT_NE(std::string(error.what()).find("n'est pas un historique des travaux"), std::string::npos) << error.what();

  // A history whose pages were overwritten in the middle: opened, then refused where it is read.
  const std::string damaged = dir.file("damaged.sqlite");
  {
    SqliteJobStore store(damaged);
    store.open();
    for (int i = 0; i < 20; ++i) store.beginJob(sampleJob("Hall " + std::to_string(i), kMay2024 + i));
  }
  std::string bytes = testing::readBytes(damaged);
  ASSERT_GT(bytes.size(), 40'000u);
  for (std::size_t at = 8192; at < bytes.size(); at += 4096) bytes.replace(at, 64, std::string(64, '\xff'));
  testing::writeBytes(damaged, bytes);
  int refused = 0;
  try {
    SqliteJobStore store(damaged);
    store.open();
    for (const JobSummary& job : store.list(std::nullopt, "")) store.load(job.id);
  } catch (const HistoryError& damage) {
    ++refused;
    EXPECT_EQ(damage.problem(), HistoryProblem::Damaged) << damage.what();
    EXPECT_NE(std::string(damage.what()).find("endommagé"), std::string::npos) << damage.what();
  }
  EXPECT_EQ(refused, 1);
}

TEST(SqliteJobStore, AJobWhoseRecordHoldsMoreThanARecordCanIsListedButRefusedWhenOpened) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  SqliteJobStore store(path, {.machine = "atelier-1"});
  store.open();
  const std::int64_t id = store.beginJob(sampleJob("Hall", kMay2024));
  // Its record given 150,000 bins of profile by another program: 400 are kept by a record.
  std::string record = store.load(id).record.stored();
  const std::size_t bins = record.find("profile 400\n");
  ASSERT_NE(bins, std::string::npos);
  const std::string bin = record.substr(bins + 12, record.find('\n', bins + 12) + 1 - (bins + 12));
  std::string more;
  for (int i = 400; i < 150'000; ++i) more += bin;
  record.insert(record.find("beyond "), more).replace(bins, 11, "profile 150000");
  rawSql(path, "UPDATE job_details SET record = '" + record + "' WHERE job_id = " + std::to_string(id));

  ASSERT_EQ(store.list(std::nullopt, "").size(), 1u);
  try {
    store.load(id);
    ADD_FAILURE() << "a record of 150,000 bins was read";
  } catch (const HistoryError& error) {
    EXPECT_EQ(error.problem(), HistoryProblem::Damaged);
    EXPECT_NE(std::string(error.what()).find("son profil compte 150000 tranches, un relevé en tient 400 au plus"),
              std::string::npos)
        << error.what();
  }
}

TEST(SqliteJobStore, AReadOnlyFileIsRefusedWithAClearMessageEvenToTheAdministrator) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  {
    SqliteJobStore store(path);
    store.open();
    store.beginJob(sampleJob("Hall", kMay2024));
  }
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const HistoryError error = openingError(path);
  EXPECT_EQ(error.problem(), HistoryProblem::ReadOnly);
  EXPECT_NE(std::string(error.what()).find("est en lecture seule"), std::string::npos) << error.what();
}

TEST(SqliteJobStore, AHistoryOfALaterVersionIsLeftUntouched) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  {
    SqliteJobStore store(path);
    store.open();
    store.beginJob(sampleJob("Hall", kMay2024));
  }
  rawSql(path, "UPDATE chromaflow_schema SET version = 7; CREATE TABLE jobs_v7 (x)");
  const HistoryError error = openingError(path);
  EXPECT_EQ(error.problem(), HistoryProblem::NewerSchema);
  EXPECT_NE(std::string(error.what()).find("version 7, plus récente que celle que ce programme connaît (1)"),
            std::string::npos)
      << error.what();
  rawSql(path, "UPDATE chromaflow_schema SET version = 1");
  SqliteJobStore store(path);
  store.open();
  EXPECT_EQ(store.list(std::nullopt, "").size(), 1u);
}

TEST(SqliteJobStore, AVersionThatIsNotExactlyOneThisProgramKnowsIsRefusedAndLeftUntouched) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  SqliteJobStore(path).open();
  // 2^32 + 1, cut to 32 bits, would pass for version 1.
  for (const char* wrong : {"4294967297", "0", "-1", "1.5", "'un'", "1), (1", ""}) {
    rawSql(path, std::string("DELETE FROM chromaflow_schema;") +
                     (*wrong ? std::string("INSERT INTO chromaflow_schema VALUES (") + wrong + ")" : ""));
    const std::string kept = testing::readBytes(path);
    const HistoryError error = openingError(path);
    const bool later = wrong == std::string("4294967297");
    EXPECT_EQ(error.problem(), later ? HistoryProblem::NewerSchema : HistoryProblem::Damaged) << wrong << error.what();
    EXPECT_EQ(testing::readBytes(path), kept) << wrong;
  }
}

TEST(SqliteJobStore, ANameSQLiteWouldTakeForAnotherDatabaseIsTheFileOfThatName) {
  TempDir dir;
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());  // relative, as a command line gives them
  for (const char* name : {":memory:", "file:history.sqlite?mode=memory", "file:jobs.sqlite"}) {
    SqliteJobStore store(name);
    store.open();
    store.beginJob(sampleJob(name, kMay2024));
  }
  std::filesystem::current_path(was);
  EXPECT_EQ(dir.entries(),
            (std::vector<std::string>{":memory:", "file:history.sqlite?mode=memory", "file:jobs.sqlite"}));
}

TEST(SqliteJobStore, AHundredThousandJobsAreListedSinceADateAndSearched) {
  TempDir dir;
  const std::string path = dir.file("history.sqlite");
  {
    SqliteJobStore store(path);
    store.open();
    store.beginJob(sampleJob("Hall", kMay2024));
  }
  // A hundred thousand jobs, one every ten minutes before it, each with its record's bulk.
  rawSql(path,
         "BEGIN;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)"
         " INSERT INTO jobs (uid, machine, project_path, project_name, user_text, started_ms, ended_ms, status,"
         " backend, tolerance, within_tolerance, verdict_text, area_m2, litres_p1, litres_p2, alarms)"
         " SELECT 'u' || i, 'atelier-' || (i % 3), '/p/' || i || '.prv', 'Chantier ' || i, 'Client ' || i,"
         " 1714521600000 - i * 600000, 1714521600000 - i * 600000 + 300000, 'terminé', 'carte K8000 sur Lpt1', 2, 1,"
         " 'Proportion tenue.', 30.5, 2.5, 1.5, 0 FROM n;"
         "INSERT INTO job_details (job_id, settings, verdict, record)"
         " SELECT id, 'P1trl=220', '', zeroblob(500) FROM jobs WHERE uid LIKE 'u%';"
         "COMMIT;");
  SqliteJobStore store(path);
  store.open();
  const std::vector<JobSummary> newest = store.list(std::nullopt, "", 200);
  const std::vector<JobSummary> week = store.list(kMay2024 - 7 * kDay, "");
  ASSERT_EQ(newest.size(), 200u);
  EXPECT_EQ(newest[0].projectName, "Hall");
  EXPECT_EQ(newest[1].projectName, "Chantier 1");
  EXPECT_EQ(week.size(), 1u + 7 * 24 * 6);
  const std::vector<JobSummary> found = store.list(std::nullopt, "Chantier 9999");
  EXPECT_EQ(found.size(), 11u);  // 9999 and 99990 to 99999
}

TEST(HistoryPaths, TheHistoryIsInTheUsersDataFolder) {
  TempDir dir;
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string kept = saved ? saved : "";
  ::setenv("XDG_DATA_HOME", dir.file("donnees").c_str(), 1);
  EXPECT_EQ(defaultHistoryPath(), dir.file("donnees") + "/chromaflow/history.sqlite");
  const char* home = std::getenv("HOME");
  const std::string inHome = std::string(home ? home : "") + "/.local/share/chromaflow/history.sqlite";
  // A relative folder is ignored, as the standard says.
  ::setenv("XDG_DATA_HOME", "donnees", 1);
  if (home) {
    EXPECT_EQ(defaultHistoryPath(), inHome);
  }
  ::unsetenv("XDG_DATA_HOME");
  if (home) {
    EXPECT_EQ(defaultHistoryPath(), inHome);
  }
  EXPECT_EQ(defaultHistoryPath().substr(0, 1), "/");
  if (saved) ::setenv("XDG_DATA_HOME", kept.c_str(), 1);
  EXPECT_FALSE(hostName().empty());
}

TEST(SqliteJobStore, TheFolderOfTheHistoryIsMadeWhenItIsNotThere) {
  TempDir dir;
  SqliteJobStore store(dir.file("donnees/chromaflow/history.sqlite"));
  store.open();
  store.beginJob(sampleJob("Hall", kMay2024));
  EXPECT_TRUE(std::filesystem::exists(dir.file("donnees/chromaflow/history.sqlite")));
}

}  // namespace
}  // namespace chromaflow
