#pragma once
// A store in memory for the writer's tests: as slow as a case wants, held shut until a case
// lets it go, unreachable or refusing to open on demand. The test reads what it holds from its
// own thread while the writer's thread writes.

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "core/history/job_store.h"

namespace chromaflow::testing {

struct FakeStoreState {
  std::mutex mutex;
  std::condition_variable opened;
  std::map<std::int64_t, StoredJob> jobs;
  std::map<std::int64_t, bool> waiting;
  std::int64_t nextId = 1;
  int writes = 0, opens = 0;
  bool held = false;         // every call waits until it is let go
  bool reachable = true;     // otherwise every call throws HistoryProblem::Unreachable
  std::string openRefusal;   // a message: open() throws HistoryProblem::Damaged with it
  std::chrono::milliseconds delay{0};  // each write takes this long
  bool marksWaiting = false;

  void hold(bool on) {
    {
      std::lock_guard lock(mutex);
      held = on;
    }
    opened.notify_all();
  }
  void setReachable(bool on) {
    std::lock_guard lock(mutex);
    reachable = on;
  }
  std::vector<StoredJob> all() {
    std::lock_guard lock(mutex);
    std::vector<StoredJob> kept;
    for (const auto& [id, job] : jobs) kept.push_back(job);
    return kept;
  }
  int writeCount() {
    std::lock_guard lock(mutex);
    return writes;
  }
};

class FakeJobStore : public JobStore {
 public:
  explicit FakeJobStore(std::shared_ptr<FakeStoreState> state, std::string name = "fausse")
      : state_(std::move(state)), name_(std::move(name)) {}

  std::string target() const override { return name_; }
  void open() override {
    auto lock = enter(false);
    ++state_->opens;
    if (!state_->openRefusal.empty()) throw HistoryError(HistoryProblem::Damaged, state_->openRefusal);
  }
  std::int64_t beginJob(const StoredJob& job) override {
    auto lock = enter(true);
    const std::int64_t id = state_->nextId++;
    keep(id, job, JobStatus::Running);
    return id;
  }
  void updateJob(std::int64_t id, const StoredJob& job) override {
    auto lock = enter(true);
    if (state_->jobs.count(id) && state_->jobs[id].status == JobStatus::Running) keep(id, job, JobStatus::Running);
  }
  void finishJob(std::int64_t id, const StoredJob& job) override {
    auto lock = enter(true);
    keep(id, job, job.status == JobStatus::Interrupted ? JobStatus::Interrupted : JobStatus::Finished);
  }
  int closeUnfinished() override {
    auto lock = enter(true);
    int closed = 0;
    for (auto& [id, job] : state_->jobs)
      if (job.status == JobStatus::Running) {
        job.status = JobStatus::Interrupted;
        if (state_->marksWaiting) state_->waiting[id] = true;
        ++closed;
      }
    return closed;
  }
  std::vector<JobSummary> list(std::optional<std::int64_t>, const std::string&, std::size_t) override {
    auto lock = enter(false);
    std::vector<JobSummary> summaries;
    for (const auto& [id, job] : state_->jobs) summaries.insert(summaries.begin(), summaryOf(job));
    return summaries;
  }
  StoredJob load(std::int64_t id) override {
    auto lock = enter(false);
    if (!state_->jobs.count(id)) throw HistoryError(HistoryProblem::NotFound, "pas de travail " + std::to_string(id));
    return state_->jobs[id];
  }
  std::int64_t putJob(const StoredJob& job) override {
    auto lock = enter(true);
    for (auto& [id, kept] : state_->jobs)
      if (kept.uid == job.uid) {
        keep(id, job, job.status);
        return id;
      }
    const std::int64_t id = state_->nextId++;
    keep(id, job, job.status);
    return id;
  }
  std::vector<std::int64_t> waitingJobs() override {
    auto lock = enter(false);
    std::vector<std::int64_t> ids;
    for (const auto& [id, on] : state_->waiting)
      if (on) ids.push_back(id);
    return ids;
  }
  void markCopied(std::int64_t id) override {
    auto lock = enter(false);
    state_->waiting[id] = false;
  }

 private:
  // Waits while held, fails while unreachable, then takes the state's lock (after the delay for a
  // write).
  std::unique_lock<std::mutex> enter(bool writing) {
    std::unique_lock lock(state_->mutex);
    state_->opened.wait(lock, [&] { return !state_->held; });
    if (!state_->reachable) throw HistoryError(HistoryProblem::Unreachable, "Le serveur " + name_ + " ne répond pas.");
    if (writing) {
      const auto delay = state_->delay;
      lock.unlock();
      std::this_thread::sleep_for(delay);
      lock.lock();
      ++state_->writes;
    }
    return lock;
  }
  void keep(std::int64_t id, const StoredJob& job, JobStatus status) {
    StoredJob& kept = state_->jobs[id] = job;
    kept.id = id;
    kept.status = status;
    if (state_->marksWaiting) state_->waiting[id] = true;
  }

  std::shared_ptr<FakeStoreState> state_;
  std::string name_;
};

}  // namespace chromaflow::testing
