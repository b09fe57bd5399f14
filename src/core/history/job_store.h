#pragma once
// Where jobs are kept: one interface for the workshop PC's own file and for a history several
// machines share. A store is made without touching its disk or its server; open() does that,
// on whatever thread will use the store. A store is used by one thread at a time.
//
// Every failure throws HistoryError, whose text, in French, says what the operator can do.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/history/job_query.h"
#include "core/history/stored_job.h"

namespace chromaflow {

enum class HistoryProblem {
  Damaged,      // the file is not a history or is damaged: it is not read
  ReadOnly,     // nothing can be written there
  NewerSchema,  // written by a later program: this one does not touch it
  Unreachable,  // the server does not answer (for now): try again later
  NotFound,     // no such job
  Other,
};

class HistoryError : public std::runtime_error {
 public:
  HistoryError(HistoryProblem problem, const std::string& text) : std::runtime_error(text), problem_(problem) {}
  HistoryProblem problem() const { return problem_; }

 private:
  HistoryProblem problem_;
};

struct JobStoreOptions {
  // The name the jobs written without one are given (the PC's host name by default).
  std::string machine{};
  // Every job written is marked as waiting to be copied to the shared history, until
  // markCopied: set on the workshop PC's store when a shared one is used.
  bool marksWaiting = false;
  // The shared server's password, kept apart from its connection text (the desktop's keychain).
  // Empty: the text's own, or libpq's ~/.pgpass and PGPASSFILE, as for any libpq program.
  std::string password{};
  // Only read: a server's tables are not made or changed, and the server is told to refuse any
  // write of this connection.
  bool readOnly = false;
};

class JobStore {
 public:
  // The version of the tables this program writes; a history of a later one is not touched.
  static constexpr int kSchemaVersion = 1;
  static constexpr std::size_t kNoLimit = 0;

  virtual ~JobStore() = default;

  // What it is, for the status bar (never a password): "/home/…/history.sqlite",
  // "PostgreSQL atelier:5432/chromaflow".
  virtual std::string target() const = 0;
  // Opens the file or the connection, creates the tables or brings them to this program's
  // version. Called again after a failure, it tries again.
  virtual void open() = 0;

  // A job that starts: kept as "en cours"; returns its id. A job with no uid or machine is
  // given them.
  virtual std::int64_t beginJob(const StoredJob& job) = 0;
  // The running job's state now. A job no longer running is left as it is.
  virtual void updateJob(std::int64_t id, const StoredJob& job) = 0;
  // The job's last state, "terminé" (or "interrompu" when the job says so).
  virtual void finishJob(std::int64_t id, const StoredJob& job) = 0;
  // At start: the jobs of this machine still "en cours" were cut off (the program killed, the
  // PC switched off). They are closed as "interrompu" with what their last state held; returns
  // how many.
  virtual int closeUnfinished() = 0;

  // The jobs started at or after `sinceMs` (all with none) whose machine, project, user text or
  // backend holds `search` (letters of the English alphabet in either case), newest first; at
  // most `limit` of them (all with kNoLimit).
  virtual std::vector<JobSummary> list(std::optional<std::int64_t> sinceMs, const std::string& search,
                                       std::size_t limit = kNoLimit) = 0;
  // One page of the jobs the query asks for, and how many match in all. By default read from
  // list(); the stores on disk and on a server ask their database.
  virtual JobPage page(const JobQuery& query) { return pageOf(list(query.sinceMs, query.search), query); }
  // Every machine that has a job here, in order.
  virtual std::vector<std::string> machines();
  // The job whole, its record included; HistoryProblem::NotFound when there is none.
  virtual StoredJob load(std::int64_t id) = 0;

  // Keeps the job whole as it is given, in place of the one of the same uid if there is one:
  // how a job reaches the shared history. Returns this store's id for it.
  virtual std::int64_t putJob(const StoredJob& job) = 0;
  // The jobs written since they were last copied (with JobStoreOptions::marksWaiting), oldest
  // first.
  virtual std::vector<std::int64_t> waitingJobs() = 0;
  virtual void markCopied(std::int64_t id) = 0;

  // Waits until the jobs kept here may have changed since the last call (another program wrote
  // one), or `most` passes; true when they may have. The first call only looks. By default it
  // waits `most` and says they may have.
  virtual bool waitForChange(std::chrono::milliseconds most);

  // From any thread, while another uses the store: whatever waits on a server (connecting, a
  // statement) gives up at once, and so does every later call, with HistoryProblem::Unreachable.
  // For a store being let go. A store on the PC's own disk has nothing to give up.
  virtual void interrupt() {}
};

}  // namespace chromaflow
