#pragma once
// The jobs running, watched on a thread of its own with a store of its own: read at once, then
// again each time the history hears that a machine wrote (see JobStore::waitForChange), and told
// as the pages show them. A history that cannot be read is told too, and tried again every
// 2 s.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/history/job_store.h"

namespace chromaflow::web {

class RunningWatch {
 public:
  struct News {
    std::vector<StoredJob> running;  // oldest first
    bool historyChanged = false;     // a job began, was updated or ended since the last news
    std::string error;               // why the history could not be read, empty when it was
  };
  // Told on the watch's thread.
  using Told = std::function<void(News)>;

  RunningWatch(std::unique_ptr<JobStore> store, Told told);
  ~RunningWatch();
  RunningWatch(const RunningWatch&) = delete;
  RunningWatch& operator=(const RunningWatch&) = delete;

  // A running job is read whole: at most this many are shown.
  static constexpr std::size_t kMostRunning = 200;

 private:
  void run();
  bool pause(std::chrono::milliseconds most);  // false when stopping

  std::unique_ptr<JobStore> store_;
  Told told_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace chromaflow::web
