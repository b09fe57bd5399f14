#include "web/running_watch.h"

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

void RunningWatch::run() {
  bool open = false, changed = false;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    News news;
    try {
      if (!open) {
        store_->open();
        open = true;
        // Listening from before the first read: a write between the read and the wait is heard.
        store_->waitForChange(std::chrono::milliseconds(0));
      }
      JobQuery query{.status = JobStatus::Running, .sortBy = JobSortKey::Started, .descending = false,
                     .limit = kMostRunning};
      for (const JobSummary& job : store_->page(query).jobs) {
        try {
          news.running.push_back(store_->load(job.id));
        } catch (const HistoryError& error) {
          // Ended and gone between the list and its load, or damaged: the others are shown.
          if (error.problem() == HistoryProblem::Unreachable) throw;
        }
      }
      news.historyChanged = changed;
      told_(std::move(news));
      changed = store_->waitForChange(std::chrono::seconds(15));
    } catch (const HistoryError& error) {
      if (error.problem() == HistoryProblem::Unreachable) open = false;
      told_(News{{}, false, error.what()});
      if (!pause(std::chrono::seconds(2))) return;
      changed = true;
    }
  }
}

}  // namespace chromaflow::web
