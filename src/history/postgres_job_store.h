#pragma once
// The job history the firm's machines share, on a PostgreSQL server: the same tables as the
// workshop PC's file, each job carrying the name of the machine that painted it.
//
// The connection is given as libpq takes it: "postgresql://user@host:5432/base" or
// "host=atelier dbname=chromaflow user=peintre"; it gives up after 5 s unless it says otherwise
// (connect_timeout). Every value goes to the server as a parameter of its statement. No wait on
// the server is without end: a statement gives up on another session's lock after 5 s, the server
// stops it after 20 s, and the store stops waiting for its answer after 25 s (a server that
// went quiet). A server that does not answer, or that goes away, throws
// HistoryProblem::Unreachable; open() connects again. interrupt() ends any wait at once.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

#include "core/history/job_store.h"

struct pg_conn;

namespace chromaflow {

class PostgresJobStore : public JobStore {
 public:
  // A statement's parameter: text, bytes, or NULL.
  struct Param {
    std::optional<std::string> value;
    bool binary = false;
  };

  explicit PostgresJobStore(std::string connection, JobStoreOptions options = {});
  ~PostgresJobStore() override;
  PostgresJobStore(const PostgresJobStore&) = delete;
  PostgresJobStore& operator=(const PostgresJobStore&) = delete;

  // "PostgreSQL atelier:5432/chromaflow": never the password.
  std::string target() const override;
  void open() override;
  std::int64_t beginJob(const StoredJob& job) override;
  void updateJob(std::int64_t id, const StoredJob& job) override;
  void finishJob(std::int64_t id, const StoredJob& job) override;
  // This machine's jobs only: the others' may be running.
  int closeUnfinished() override;
  std::vector<JobSummary> list(std::optional<std::int64_t> sinceMs, const std::string& search,
                               std::size_t limit = kNoLimit) override;
  JobPage page(const JobQuery& query) override;
  std::vector<std::string> machines() override;
  StoredJob load(std::int64_t id) override;
  std::int64_t putJob(const StoredJob& job) override;
  std::vector<std::int64_t> waitingJobs() override;
  void markCopied(std::int64_t id) override;
  void interrupt() override;
  // Listens on the server's channel of news, which every write of every machine sends.
  bool waitForChange(std::chrono::milliseconds most) override;

  // Run once by the database's owner, and again at will: the tables made, the roles of the
  // painting machines and of the readers made where missing, and the rights by which each
  // machine changes only its own jobs and deletes none, and a reader only reads.
  void setUpRights();

  // How long a statement's answer is waited for (the server's own limits are shorter).
  void setAnswerLimit(std::chrono::milliseconds limit) { answerLimit_ = limit; }

 private:
  class Result;
  enum class Wait { Ready, TimedOut, Interrupted };

  pg_conn* connection();
  void close();
  // Until the connection's socket is ready for `events` (POLLIN, POLLOUT), the deadline passes,
  // or interrupt() is called.
  Wait await(short events, std::chrono::steady_clock::time_point deadline);
  // Drops the connection and throws why a wait ended.
  [[noreturn]] void gaveUp(Wait why, std::chrono::milliseconds waited, const char* doing);
  Result run(const std::string& sql, const std::vector<Param>& params, const char* doing);
  [[noreturn]] void fail(const std::string& detail, const char* sqlState, const char* doing);
  void migrate();
  // Every reader listening hears that the jobs changed, once the transaction is committed.
  void tellListeners();
  static JobSummary summaryAt(const Result& rows, int row);
  // The version chromaflow_schema holds, 0 for none; throws for one this program does not know.
  std::int64_t tablesVersion();
  // The job as it is written: its uid, and its machine (the role the server sees, where the
  // server's rights are set up).
  StoredJob asWritten(const StoredJob& job) const;
  const std::string& machine() const { return serverMachine_.empty() ? options_.machine : serverMachine_; }
  std::int64_t insertJob(const StoredJob& job, JobStatus status, bool replacing);
  bool rewriteJob(std::int64_t id, const StoredJob& job, JobStatus status, bool runningOnly);
  void writeDetails(std::int64_t id, const StoredJob& job);

  std::string connection_;
  JobStoreOptions options_;
  std::string target_;
  pg_conn* conn_ = nullptr;
  bool listening_ = false;
  std::string serverMachine_;  // the role the server sees, where its rights are set up
  std::chrono::milliseconds connectLimit_{5'000};
  std::chrono::milliseconds answerLimit_{25'000};
  // interrupt() sets the flag and writes to the pipe, which wakes a wait at once.
  std::atomic<bool> interrupted_{false};
  int wake_[2] = {-1, -1};
};

// `message` (libpq's, which may quote the connection text whole) with every password the
// connection text carries shown as "***", the text well formed or not.
std::string withoutPasswords(std::string message, const std::string& connection);

}  // namespace chromaflow
