#include "web/store_thread.h"

namespace chromaflow::web {

StoreThread::StoreThread(std::unique_ptr<JobStore> store) : store_(std::move(store)), target_(store_->target()) {
  thread_ = std::thread([this] { run(); });
}

StoreThread::~StoreThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  store_->interrupt();
  thread_.join();
}

void StoreThread::post(Work work, Failed failed) {
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() < kQueueLength) {
      queue_.emplace_back(std::move(work), std::move(failed));
      wake_.notify_all();
      return;
    }
  }
  failed(HistoryError(HistoryProblem::Unreachable, "L'historique " + target_ + " est trop occupé : réessayez."));
}

void StoreThread::run() {
  for (;;) {
    std::pair<Work, Failed> next;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      if (!open_) {
        store_->open();
        open_ = true;
      }
      next.first(*store_);
    } catch (const HistoryError& error) {
      // A server gone away is connected again for the next piece of work.
      if (error.problem() == HistoryProblem::Unreachable) open_ = false;
      next.second(error);
    }
  }
}

}  // namespace chromaflow::web
