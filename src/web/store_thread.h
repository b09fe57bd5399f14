#pragma once
// The history read on a thread of its own, so that the pages never wait on a disk or a server:
// each piece of work runs there with the store opened (opened again after the server went away),
// and its answer is taken back to the service's thread by the work itself.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/history/job_store.h"

namespace chromaflow::web {

class StoreThread {
 public:
  using Work = std::function<void(JobStore&)>;
  using Failed = std::function<void(const HistoryError&)>;

  explicit StoreThread(std::unique_ptr<JobStore> store);
  // Drops what still waits, gives up whatever the store waits on, and joins.
  ~StoreThread();
  StoreThread(const StoreThread&) = delete;
  StoreThread& operator=(const StoreThread&) = delete;

  // Runs `work` on the thread; if the store cannot be opened, or the work throws HistoryError,
  // `failed` runs there instead, with the error. At most `queueLength` pieces wait: past that the
  // new one fails at once, as a server that does not answer.
  void post(Work work, Failed failed);
  std::string target() const { return target_; }

  static constexpr std::size_t kQueueLength = 256;

 private:
  void run();

  std::unique_ptr<JobStore> store_;
  std::string target_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::pair<Work, Failed>> queue_;
  bool stopping_ = false;
  bool open_ = false;  // the thread's own
  std::thread thread_;
};

}  // namespace chromaflow::web
