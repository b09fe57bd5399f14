#pragma once
// The job history the firm's machines share, on a PostgreSQL server: the same tables as the
// workshop PC's file, each job carrying the name of the machine that painted it.
//
// The connection is given as libpq takes it: "postgresql://user@host:5432/base" or
// "host=atelier dbname=chromaflow user=peintre"; it gives up after 5 s unless it says otherwise.
// Every value goes to the server as a parameter of its statement. A server that does not answer,
// or that goes away, throws HistoryProblem::Unreachable; open() connects again.

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
  StoredJob load(std::int64_t id) override;
  std::int64_t putJob(const StoredJob& job) override;
  std::vector<std::int64_t> waitingJobs() override;
  void markCopied(std::int64_t id) override;

 private:
  class Result;

  pg_conn* connection();
  void close();
  Result run(const std::string& sql, const std::vector<Param>& params, const char* doing);
  [[noreturn]] void fail(const std::string& detail, const char* sqlState, const char* doing);
  void migrate();
  std::int64_t insertJob(const StoredJob& job, JobStatus status, bool replacing);
  bool rewriteJob(std::int64_t id, const StoredJob& job, JobStatus status, bool runningOnly);
  void writeDetails(std::int64_t id, const StoredJob& job);

  std::string connection_;
  JobStoreOptions options_;
  std::string target_;
  pg_conn* conn_ = nullptr;
};

// `message` (libpq's, which may quote the connection text whole) with every password the
// connection text carries shown as "***", the text well formed or not.
std::string withoutPasswords(std::string message, const std::string& connection);

}  // namespace chromaflow
