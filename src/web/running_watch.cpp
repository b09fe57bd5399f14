#include "web/running_watch.h"

#include <tuple>

namespace chromaflow::web {

RunningWatch::RunningWatch(std::unique_ptr<JobStore> store, Told told)
    : store_(std::move(store)), told_(std::move(told)) {
  thread_ = std::thread([this] { run(); });
}

RunningWatch::~RunningWatch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  store_->interrupt();
  thread_.join();
}

bool RunningWatch::pause(std::chrono::milliseconds most) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, most, [this] { return stopping_; });
}

namespace {

// What news tell: the jobs running as last written, and the newest job of all with how many
// there are. Equal, there is nothing new to tell.
struct Seen {
  std::vector<std::tuple<std::int64_t, std::int64_t, JobStatus, JobFigures>> running;
  std::size_t total = 0;
  std::int64_t newest = 0, newestEnd = 0;
  bool operator==(const Seen&) const = default;
};

}  // namespace

void RunningWatch::run() {
  bool open = false, first = true;
  Seen last;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    try {
      if (!open) {
        store_->open();
        open = true;
        // Listening from before the first read: a write between the read and the wait is heard.
        store_->waitForChange(std::chrono::milliseconds(0));
      }
      News news;
      Seen seen;
      JobQuery query{.status = JobStatus::Running, .sortBy = JobSortKey::Started, .descending = false,
                     .limit = kMostRunning};
      for (const JobSummary& job : store_->page(query).jobs) {
        try {
          news.running.push_back(store_->load(job.id));
          const StoredJob& read = news.running.back();
          seen.running.emplace_back(job.id, read.endedMs, read.status, read.figures);
        } catch (const HistoryError& error) {
          // Ended and gone between the list and its load, or damaged: the others are shown.
          if (error.problem() == HistoryProblem::Unreachable) throw;
        }
      }
      const JobPage newest = store_->page(JobQuery{.sortBy = JobSortKey::Ended, .limit = 1});
      seen.total = newest.total;
      if (!newest.jobs.empty()) seen.newest = newest.jobs.front().id, seen.newestEnd = newest.jobs.front().endedMs;
      if (first || !(seen == last)) {
        news.historyChanged = !first && (seen.total != last.total || seen.newest != last.newest ||
                                         seen.newestEnd != last.newestEnd || seen.running != last.running);
        told_(std::move(news));
        last = std::move(seen);
        first = false;
      }
      store_->waitForChange(std::chrono::seconds(15));
    } catch (const HistoryError& error) {
      if (error.problem() == HistoryProblem::Unreachable) open = false;
      told_(News{{}, false, error.what()});
      first = true;
      if (!pause(std::chrono::seconds(2))) return;
    }
  }
}

}  // namespace chromaflow::web
