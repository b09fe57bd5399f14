#pragma once
// The thread that keeps the jobs, so that the reading cycle never waits on a disk or a network.
//
// The window's thread hands each state of a job to begin, update and finish, which queue it and
// return at once; the writer's own thread writes it to the workshop PC's store, then, when the
// firm shares its history, copies every job written and not yet copied to the shared store. While
// the shared store does not answer, the jobs stay marked in the PC's store and are copied when
// it answers again (tried again after a second, then less and less often, up to every half
// minute); a job is copied whole, as it last stood, so nothing is lost by waiting.
//
// The queue holds at most one update of each job: a newer update replaces the one still waiting
// (every update carries the job whole). When the queue is full, the oldest waiting update of any
// job gives its place to the new one. A begin and a finish are never dropped.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/history/job_history.h"
#include "core/history/job_store.h"

namespace chromaflow {

// What the status bar shows of the history.
struct HistoryState {
  std::string target;          // where the jobs go: the PC's file, or the shared history
  bool shared = false;         // a shared history is used
  bool reachable = true;       // it answered when it was last tried
  std::string lastError;       // the last failure's message, empty once all goes well again
  std::size_t waiting = 0;     // jobs kept on this PC and not yet on the shared history
  std::size_t queued = 0;      // states of jobs handed over and not yet written
  std::uint64_t replaced = 0;  // states replaced by a newer one before they were written
  int closedAtStart = -1;      // jobs found cut off and closed as "interrompu" (-1: not yet looked)

  // One line, in French.
  std::string text() const;
};

struct HistoryWriterOptions {
  std::string machine;  // the jobs' machine when they give none (the host name by default)
  std::size_t queueLength = 64;
  std::chrono::milliseconds firstRetry{1000};
  std::chrono::milliseconds longestRetry{30'000};
  // At its start the writer closes as "interrompu" the jobs left running by a program that was
  // killed or lost its power. With a `writersLock` file, only when no other writer on this PC
  // still holds it (another program writing the same history, chromaflow-sim beside it): their
  // running jobs are alive. Without closing (chromaflow-sim), jobs cut off wait for the program's
  // next start.
  bool closesCutOffJobs = true;
  std::string writersLock;
  // When the writer is let go, how long its last copy is given on a shared history that answers;
  // one that does not answer, or is still being reached, is let go at once (its jobs stay marked
  // on the PC and are sent at the next start), so that leaving never waits on the network.
  std::chrono::milliseconds lastCopyWait{500};
  // Told of every change of the state, on the writer's thread.
  std::function<void(const HistoryState&)> stateChanged;
};

class HistoryWriter : public JobHistory {
 public:

  // `local` is the PC's store, opened by the writer's thread (marked with marksWaiting when a
  // `shared` store is given); `shared` is the firm's, or none.
  explicit HistoryWriter(std::unique_ptr<JobStore> local, std::unique_ptr<JobStore> shared = nullptr,
                         HistoryWriterOptions options = {});
  // Writes what is still queued, copies it to the shared store if that answered last time (for
  // lastCopyWait at most), then stops the thread. A store on a server is given no more: call
  // settle() first to wait for it.
  ~HistoryWriter() override;
  HistoryWriter(const HistoryWriter&) = delete;
  HistoryWriter& operator=(const HistoryWriter&) = delete;

  // A job starts; the ticket names it in what follows. A job with no uid or machine is given them
  // here, so that every store knows it by the same uid.
  Ticket begin(StoredJob job) override;
  // Its state now (ignored once it is finished), known by the uid and machine of its begin.
  void update(Ticket ticket, StoredJob job) override;
  // Its last state.
  void finish(Ticket ticket, StoredJob job) override;

  HistoryState state() const;
  std::string statusLine() const override { return state().text(); }
  // The shared history does not answer, or the last write failed.
  bool inTrouble() const override;
  // Waits until every state handed over is written and, with a shared store that answers, copied;
  // false if that did not happen within `most`.
  bool settle(std::chrono::milliseconds most);

 private:
  enum class Kind { Begin, Update, Finish };
  struct Item {
    Kind kind;
    Ticket ticket;
    StoredJob job;
  };

  void run();
  void write(Item& item);
  bool openLocal();
  // Whether no other writer holds the writers' lock: then it is held whole, until
  // shareWritersLock; otherwise shared from then on.
  bool aloneOnThisPc();
  void shareWritersLock();
  void copyToShared();
  void changed(const std::function<void(HistoryState&)>& change);
  std::size_t waitingNow();

  std::unique_ptr<JobStore> local_, shared_;
  HistoryWriterOptions options_;

  // Shared with the callers.
  mutable std::mutex mutex_;
  std::condition_variable wake_, settled_;
  std::deque<Item> queue_;
  Ticket nextTicket_ = 1;
  // The jobs handed over: each state of a job is stamped with the uid and machine its begin got.
  struct Handed {
    std::string uid, machine;
    bool finished = false;
  };
  std::map<Ticket, Handed> tickets_;
  HistoryState state_;
  bool stopping_ = false;
  bool busy_ = false;  // the thread is writing an item or copying
  bool copyDue_ = false;
  bool sharedConnected_ = false;  // the shared store is open and answered last time
  bool finished_ = false;         // the thread is done
  std::chrono::steady_clock::time_point nextTry_{};

  // The thread's own.
  bool localOpen_ = false, localChecked_ = false, sharedOpen_ = false, sharedChecked_ = false;
  std::map<Ticket, std::int64_t> localIds_;
  std::map<std::string, StoredJob> unsent_;  // by uid: jobs the PC's store could not keep
  std::string localError_, sharedError_;
  std::chrono::milliseconds retry_;
  int writersLock_ = -1;  // the lock file, held shared while the writer lives
  bool alone_ = false;

  std::thread thread_;
};

// Where the history is kept: the PC's file, and the shared server's connection (a
// "postgresql://..." URI or libpq's "host=... dbname=..." words), empty for none.
struct HistoryPlace {
  std::string localPath;  // defaultHistoryPath() when empty
  std::string shared;
  std::string machine;    // the host name when empty
  // The server's password, apart from `shared` (which then carries none): never written in the
  // operator's choice. Empty: the connection's own, or libpq's ~/.pgpass and PGPASSFILE.
  std::string password{};
};

// The writer for that place: the PC's SQLite file, and the shared PostgreSQL history if any.
std::unique_ptr<HistoryWriter> startHistoryWriter(const HistoryPlace& place, HistoryWriterOptions options = {});

}  // namespace chromaflow
