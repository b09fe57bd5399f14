// The history window's reader: the caller never waits on a store, only the newest list is read,
// a shared history that does not answer gives the PC's jobs and says so, a job opens from the
// store it was listed from, and the reader stops at once. It writes nothing in the PC's file.

#include "history/history_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

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

// The answers a case waits for, taken from the reader's thread.
template <typename Answer>
struct Answers {
  std::mutex mutex;
  std::condition_variable came;
  std::vector<std::pair<std::string, Answer>> got;

  std::function<void(Answer)> to(std::string tag) {
    return [this, tag](Answer answer) {
      std::lock_guard lock(mutex);
      got.emplace_back(tag, std::move(answer));
      came.notify_all();
    };
  }
  // The answers, once there are `count` of them.
  std::vector<std::pair<std::string, Answer>> wait(std::size_t count) {
    std::unique_lock lock(mutex);
    EXPECT_TRUE(came.wait_for(lock, 5s, [&] { return got.size() >= count; })) << got.size() << " answers";
    return got;
  }
};

std::shared_ptr<FakeStoreState> storeWith(std::initializer_list<const char*> projects) {
  auto state = std::make_shared<FakeStoreState>();
  static const JobRecord record = testing::paintedRecord(10);
  std::int64_t started = kMay2024;
  for (const char* project : projects) {
    StoredJob job = testing::sampleJob(project, started += 3600'000, record);
    job.uid = std::string("uid-") + project;
    const std::int64_t id = state->nextId++;
    job.id = id;
    state->jobs[id] = job;
  }
  return state;
}

TEST(HistoryReader, TheCallerNeverWaitsAndOnlyTheNewestListIsRead) {
  auto state = storeWith({"Hall", "Quai"});
  state->hold(true);
  HistoryReader reader(std::make_unique<FakeJobStore>(state));
  Answers<HistoryReading::Listed> lists;

  // The store stays held until the calls are made: one that waited on it would never return.
  reader.list(std::nullopt, "", lists.to("first"));
  std::this_thread::sleep_for(100ms);  // the thread takes it and waits on the store
  reader.list(std::nullopt, "ha", lists.to("moot"));
  reader.list(kMay2024, "qu", lists.to("newest"));
  reader.load(1, [](HistoryReading::Loaded) {});

  state->hold(false);
  std::this_thread::sleep_for(20ms);
  const auto got = lists.wait(2);
  ASSERT_EQ(got.size(), 2u) << "the list replaced before it was read is not answered";
  EXPECT_EQ(got[0].first, "first");
  EXPECT_EQ(got[1].first, "newest");
  EXPECT_EQ(got[1].second.jobs.size(), 2u);
  EXPECT_EQ(got[1].second.from, "fausse");
  EXPECT_TRUE(got[1].second.error.empty());

  Answers<HistoryReading::Loaded> loads;
  reader.load(2, loads.to("Quai"));
  reader.load(7, loads.to("none"));
  const auto loaded = loads.wait(2);
  ASSERT_TRUE(loaded[0].second.job);
  EXPECT_EQ(loaded[0].second.job->projectName, "Quai");
  EXPECT_FALSE(loaded[1].second.job);
  EXPECT_EQ(loaded[1].second.error, "pas de travail 7");
}

TEST(HistoryReader, ASharedHistoryThatDoesNotAnswerGivesThePCsJobsAndSaysSo) {
  auto shared = storeWith({"Hall", "Quai", "Gare"});
  auto local = storeWith({"Atelier"});
  local->jobs[1].uid = "uid-Quai";  // Quai was painted here: id 1 on the PC, 2 on the server
  local->jobs[1].projectName = "Quai";
  shared->setReachable(false);
  HistoryReader reader(std::make_unique<FakeJobStore>(shared, "PostgreSQL atelier:5432/chromaflow"),
                       std::make_unique<FakeJobStore>(local, "/home/peintre/history.sqlite"));
  Answers<HistoryReading::Listed> lists;
  Answers<HistoryReading::Loaded> loads;

  reader.list(std::nullopt, "", lists.to("down"));
  auto listed = lists.wait(1)[0].second;
  EXPECT_EQ(listed.from, "/home/peintre/history.sqlite");
  EXPECT_EQ(listed.error, "Historique partagé injoignable : chantiers de ce poste seulement");
  ASSERT_EQ(listed.jobs.size(), 1u);
  reader.load(1, loads.to("from the PC"));
  ASSERT_TRUE(loads.wait(1)[0].second.job) << "listed from the PC, opened from the PC";

  shared->setReachable(true);
  reader.list(std::nullopt, "", lists.to("back"));
  listed = lists.wait(2)[1].second;
  EXPECT_EQ(listed.from, "PostgreSQL atelier:5432/chromaflow");
  EXPECT_TRUE(listed.error.empty());
  EXPECT_EQ(listed.jobs.size(), 3u);
  {
    std::lock_guard lock(shared->mutex);
    EXPECT_EQ(shared->opens, 1) << "tried again, and opened once it answered";
  }

  // The server goes away between the list and the opening: a job this PC painted still opens.
  shared->setReachable(false);
  reader.load(2, loads.to("Quai"));
  reader.load(3, loads.to("Gare"));
  const auto loaded = loads.wait(3);
  ASSERT_TRUE(loaded[1].second.job) << loaded[1].second.error;
  EXPECT_EQ(loaded[1].second.job->uid, "uid-Quai");
  EXPECT_FALSE(loaded[2].second.job);
  EXPECT_EQ(loaded[2].second.error, "Historique partagé injoignable, et ce chantier n'est pas gardé sur ce poste.");
}

TEST(HistoryReader, StopsOnceTheCallUnderWayReturnsAndAnswersNothingMore) {
  auto state = storeWith({"Hall"});
  state->hold(true);
  Answers<HistoryReading::Listed> lists;
  Answers<HistoryReading::Loaded> loads;
  std::chrono::steady_clock::duration stopping{};
  {
    auto reader = std::make_unique<HistoryReader>(std::make_unique<FakeJobStore>(state));
    reader->list(std::nullopt, "", lists.to("under way"));
    std::this_thread::sleep_for(100ms);
    reader->load(1, loads.to("waiting"));
    reader->list(std::nullopt, "", lists.to("waiting"));
    auto release = std::async(std::launch::async, [&] {
      std::this_thread::sleep_for(50ms);
      state->hold(false);
    });
    const auto start = std::chrono::steady_clock::now();
    reader.reset();
    stopping = std::chrono::steady_clock::now() - start;
  }
  EXPECT_LT(stopping, 1s);
  EXPECT_EQ(lists.got.size(), 1u);
  EXPECT_TRUE(loads.got.empty());
}

TEST(HistoryReader, ReadsThePCsFileAndNeverMakesOneThatIsNotThere) {
  testing::TempDir dir;
  const std::string path = dir.file("history.sqlite");
  // A shared history whose server is nowhere: the PC's file is read at once.
  const HistoryPlace place{path, "host=/nonexistent/socket port=5499 dbname=chromaflow connect_timeout=1", "atelier-1"};
  Answers<HistoryReading::Listed> lists;
  {
    HistoryReader reader(place);
    reader.list(std::nullopt, "", lists.to("none"));
    const auto listed = lists.wait(1)[0].second;
    EXPECT_TRUE(listed.jobs.empty());
    EXPECT_EQ(listed.error, "Historique partagé injoignable : chantiers de ce poste seulement");
  }
  EXPECT_FALSE(std::filesystem::exists(path));

  StoredJob job = testing::sampleJob("Hall", kMay2024);
  {
    SqliteJobStore store(path, {.machine = "atelier-1"});
    store.open();
    job.id = store.beginJob(job);
    store.finishJob(job.id, job);
  }
  HistoryReader reader(HistoryPlace{path, "", "atelier-1"});
  reader.list(std::nullopt, "HALL", lists.to("one"));
  const auto listed = lists.wait(2)[1].second;
  ASSERT_EQ(listed.jobs.size(), 1u);
  EXPECT_EQ(listed.from, path);
  Answers<HistoryReading::Loaded> loads;
  reader.load(listed.jobs[0].id, loads.to("Hall"));
  const auto loaded = loads.wait(1)[0].second;
  ASSERT_TRUE(loaded.job) << loaded.error;
  EXPECT_EQ(loaded.job->record.stored(), job.record.stored());
}

TEST(HistoryReader, AnEmptyFileIsListedAsNoJobsLeftEmptyAndReadOnceItsWriterHasMadeIt) {
  testing::TempDir dir;
  const std::string path = dir.file("history.sqlite");
  testing::writeBytes(path, "");
  HistoryReader reader(HistoryPlace{path, "", "atelier-1"});
  Answers<HistoryReading::Listed> lists;
  reader.list(std::nullopt, "", lists.to("empty"));
  EXPECT_EQ(lists.wait(1)[0].second.error, "");
  EXPECT_EQ(testing::folderContents(dir), (std::map<std::string, std::string>{{"history.sqlite", ""}}));
  SqliteJobStore writer(path);
  writer.open();
  writer.beginJob(testing::sampleJob("Hall", kMay2024));
  reader.list(std::nullopt, "", lists.to("made"));
  EXPECT_EQ(lists.wait(2)[1].second.jobs.size(), 1u);
}

}  // namespace
}  // namespace chromaflow
