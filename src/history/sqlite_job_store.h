#pragma once
// The job history in one SQLite file on the workshop PC.
//
// Written ahead (WAL) and flushed to the disk at every commit (synchronous=FULL): a job written
// is still there after the PC loses its power. Each write of a job is one transaction, so a
// program killed part-way leaves the job's last whole state. The tables carry their version
// (chromaflow_schema); a file of an earlier version is brought forward when it is opened, one of
// a later version is not touched. Nothing in a file is changed before it is known to be a
// history (or empty, to be made one): a file of another program stays byte for byte as it was.
//
// A store opened for reading (the list without a window, the history window's reader) uses a
// read-only connection and writes nothing, not even beside the file: it reads a history that is
// read-only, in a read-only folder or being written by the program; an empty file is an empty
// history, looked at again at each list until its writer has made it one.
//
// The path is always a file's: a name SQLite would take for something else (":memory:",
// "file:...") is opened as the file of that name.
//
// The list reads the table of jobs only; the settings, the verdict's stretches and the record,
// the bulk of a job, are in a table of their own that only load() reads.

#include <memory>
#include <string>

#include <atomic>
#include <optional>

#include "core/history/job_store.h"

struct sqlite3;

namespace chromaflow {

class SqliteJobStore : public JobStore {
 public:
  enum class Access { Writing, Reading };

  explicit SqliteJobStore(std::string path, JobStoreOptions options = {}, Access access = Access::Writing);
  ~SqliteJobStore() override;
  SqliteJobStore(const SqliteJobStore&) = delete;
  SqliteJobStore& operator=(const SqliteJobStore&) = delete;

  const std::string& path() const { return path_; }

  std::string target() const override;
  void open() override;
  std::int64_t beginJob(const StoredJob& job) override;
  void updateJob(std::int64_t id, const StoredJob& job) override;
  void finishJob(std::int64_t id, const StoredJob& job) override;
  int closeUnfinished() override;
  std::vector<JobSummary> list(std::optional<std::int64_t> sinceMs, const std::string& search,
                               std::size_t limit = kNoLimit) override;
  JobPage page(const JobQuery& query) override;
  std::vector<std::string> machines() override;
  // The file and its write-ahead log looked at every 100 ms: a commit by any program changes one,
  // though it may show only later; past a second, says the jobs may have changed.
  bool waitForChange(std::chrono::milliseconds most) override;
  void interrupt() override { interrupted_ = true; }
  StoredJob load(std::int64_t id) override;
  std::int64_t putJob(const StoredJob& job) override;
  std::vector<std::int64_t> waitingJobs() override;
  void markCopied(std::int64_t id) override;

 private:
  class Statement;
  class Transaction;

  sqlite3* db();
  void close();
  void openForWriting();
  void openForReading();
  // Opens the connection to `name` (the file, or a URI with SQLITE_OPEN_URI in `flags`).
  void connect(const std::string& name, int flags);
  [[noreturn]] void fail(int code, const std::string& doing);
  void execute(const char* sql, const std::string& doing);
  // The version of the tables, 0 for a file that holds none (empty, or not yet made); refuses
  // the tables of another program and any version that is not one this program knows.
  std::int64_t schemaVersion();
  void migrate();
  // Opened for reading, a history still empty is looked at again; false while it holds nothing.
  bool holdsJobs();
  void bindConditions(Statement& statement, const JobQuery& query);
  std::int64_t insertJob(const StoredJob& job, JobStatus status);
  // Writes the job's columns and details over the row `id`; false when there is no such row
  // (or, with `runningOnly`, none still running).
  bool rewriteJob(std::int64_t id, const StoredJob& job, JobStatus status, bool runningOnly);

  std::string path_;
  JobStoreOptions options_;
  std::atomic<bool> interrupted_{false};
  std::optional<std::string> lastLook_;  // the file's and its log's sizes and times, as last seen
  Access access_;
  sqlite3* db_ = nullptr;
  bool empty_ = false;  // opened for reading, the file held no tables
  bool readAsItStands_ = false;  // opened for reading without a lock (immutable)
};

}  // namespace chromaflow
