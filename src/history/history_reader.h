#pragma once
// The thread that reads the job history for the history window, so that the window never waits
// on a disk or a server (a PostgreSQL server that does not answer takes its whole connection
// timeout to say so).
//
// The reader has stores of its own, opened on its own thread at the first request: the firm's
// shared history when there is one, else the workshop PC's file. When the shared history does
// not answer, the list is read from the PC's file instead, and the answer says so in its error
// ("Historique partagé injoignable : chantiers de ce poste seulement"); it is tried again at the
// next request. A job is loaded from the store its list came from.
//
// Only the newest list matters: a list asked while another waits takes its place, and the one
// replaced gets no answer. Every load is answered, in order. Answers come on the reader's thread.
// Destroying the reader drops what still waits and joins its thread once the call under way,
// if any, returns.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/history/job_history.h"
#include "core/history/job_store.h"
#include "history/history_writer.h"

namespace chromaflow {

class HistoryReader : public HistoryReading {
 public:
  // The shared history of `place` when it names one, with the PC's file to fall back on;
  // otherwise the PC's file alone. A PC's file that is not there yet is not made: its list is
  // empty.
  explicit HistoryReader(const HistoryPlace& place);
  // `main` is read; `fallback`, if given, when `main` does not answer.
  explicit HistoryReader(std::unique_ptr<JobStore> main, std::unique_ptr<JobStore> fallback = nullptr);
  ~HistoryReader() override;
  HistoryReader(const HistoryReader&) = delete;
  HistoryReader& operator=(const HistoryReader&) = delete;

  void list(std::optional<std::int64_t> sinceMs, std::string search, std::function<void(Listed)> done) override;
  void load(std::int64_t id, std::function<void(Loaded)> done) override;

 private:
  struct ListRequest {
    std::optional<std::int64_t> sinceMs;
    std::string search;
    std::function<void(Listed)> done;
  };
  struct LoadRequest {
    std::int64_t id;
    std::function<void(Loaded)> done;
  };
  // A store and what the reader's thread knows of it.
  struct Source {
    std::unique_ptr<JobStore> store;
    std::string absentFile;  // a PC's file not to be made: while it is not there, nothing is kept
    bool open = false;
  };
  // Where a job of the newest list was read, for its load.
  struct ListedJob {
    bool fromFallback = false;
    std::string uid;
    std::int64_t startedMs = 0;
  };

  void run();
  Listed readList(const ListRequest& request);
  Loaded readJob(std::int64_t id);
  // Opens the source if need be; false for a PC's file not made yet.
  bool ready(Source& source);

  Source main_, fallback_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<ListRequest> pendingList_;
  std::deque<LoadRequest> pendingLoads_;
  bool stopping_ = false;

  // The thread's own.
  std::map<std::int64_t, ListedJob> listed_;

  std::thread thread_;
};

}  // namespace chromaflow
